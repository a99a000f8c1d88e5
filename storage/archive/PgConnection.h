#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

struct pg_conn;
struct pg_result;
struct pg_cancel;

// A connection to the department's archive through libpq, and the results of its queries.
// libpq rather than Qt SQL's driver: bytea parameters and results travel in binary (a test's
// bytes come back exactly, without escaping), the server's SQLSTATE is at hand to tell a
// refused right from a broken connection, and the connection string, service file and
// password file are libpq's own.
namespace ezr {

// One parameter of a query: text (UTF-8), raw bytes (bytea, sent in binary) or NULL.
struct PgParam {
    QByteArray value;
    bool binary = false;
    bool null = false;
    static PgParam text(const QString& text) { return {text.toUtf8(), false, false}; }
    static PgParam bytes(const QByteArray& bytes) { return {bytes, true, false}; }
    static PgParam number(qint64 number) { return {QByteArray::number(number), false, false}; }
    static PgParam none() { return {{}, false, true}; }
};

class PgResult {
public:
    explicit PgResult(pg_result* result);
    int rows() const;
    bool isNull(int row, int column) const;
    // The value as the server sent it: text, or raw bytes for a binary result.
    QByteArray bytes(int row, int column) const;
    QString text(int row, int column) const { return QString::fromUtf8(bytes(row, column)); }
    qint64 number(int row, int column) const { return bytes(row, column).toLongLong(); }
    // An int8 column of a binary result.
    qint64 binaryNumber(int row, int column) const;

private:
    std::shared_ptr<pg_result> result_;
};

class PgConnection {
public:
    // `conninfo` as libpq takes it ("service=ezr", "host=/run/postgresql dbname=ezr", a
    // postgresql:// URI); empty uses PGSERVICE, PGHOST and the other variables. Passwords
    // come from ~/.pgpass, never from the program's settings. Throws AnalysisError.
    explicit PgConnection(const QString& conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement; throws AnalysisError with the server's message on failure.
    PgResult exec(const char* sql, const QList<PgParam>& params = {}, bool binaryResult = false);
    // Runs one statement once for each parameter list, sent together without waiting for
    // each answer (libpq's pipeline): thousands of small statements cost one round trip.
    // Throws AnalysisError with the first failure; the statements after it are not run.
    QList<PgResult> execMany(const char* sql, const QList<QList<PgParam>>& paramLists);
    // Runs several statements without parameters (a migration).
    void execScript(const char* sql);
    // The login role, as the server knows it.
    QString user();
    // Asks the server to stop the statement running on this connection; callable from any
    // thread while another waits in exec(), which then throws. Made while no query runs.
    class Canceller {
    public:
        explicit Canceller(pg_conn* connection);
        ~Canceller();
        Canceller(const Canceller&) = delete;
        Canceller& operator=(const Canceller&) = delete;
        void cancel() const;

    private:
        pg_cancel* cancel_;
    };
    std::unique_ptr<Canceller> canceller() const {
        return std::make_unique<Canceller>(connection_);
    }

private:
    pg_conn* connection_;
};

// BEGIN now, ROLLBACK when left without commit(): an exception leaves nothing half done.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    void commit();

private:
    PgConnection& connection_;
    bool open_ = true;
};

// A PostgreSQL array literal of texts: {"a","b \"c\""}.
QByteArray textArrayLiteral(const QList<QString>& values);
QByteArray numberArrayLiteral(const QList<qint64>& values);

} // namespace ezr
