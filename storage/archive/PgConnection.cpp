#include "PgConnection.h"

#include "AnalysisError.h"

#include <QtEndian>

#include <libpq-fe.h>

#include <cstring>
#include <optional>
#include <vector>

namespace ezr {

namespace {

QString serverMessage(const PGconn* connection) {
    return QString::fromUtf8(PQerrorMessage(connection)).trimmed();
}

// The result when the statement succeeded; else the server's reason, thrown. A refused right
// (SQLSTATE 42501) is told apart from other failures.
PgResult checkedResult(PGconn* connection, PGresult* raw) {
    PgResult result(raw);
    const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return result;
    const char* primary = raw ? PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const QString reason = primary ? QString::fromUtf8(primary) : serverMessage(connection);
    if (state && std::strcmp(state, "42501") == 0)
        throw AnalysisError(QStringLiteral("Архив отказал в доступе: %1").arg(reason));
    throw AnalysisError(QStringLiteral("Ошибка архива: %1").arg(reason));
}

} // namespace

PgResult::PgResult(pg_result* result) : result_(result, PQclear) {}

int PgResult::rows() const {
    return PQntuples(result_.get());
}

bool PgResult::isNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

QByteArray PgResult::bytes(int row, int column) const {
    return QByteArray(PQgetvalue(result_.get(), row, column),
                      PQgetlength(result_.get(), row, column));
}

qint64 PgResult::binaryNumber(int row, int column) const {
    if (PQgetlength(result_.get(), row, column) != 8)
        throw AnalysisError(QStringLiteral("Архив прислал число неверной длины"));
    return qFromBigEndian<qint64>(PQgetvalue(result_.get(), row, column));
}

PgConnection::PgConnection(const QString& conninfo) {
    // Dates travel as ISO text and every text as UTF-8, whatever the server's defaults are.
    const QByteArray info = conninfo.toUtf8();
    const char* keys[] = {"dbname", "client_encoding", "options", "application_name", nullptr};
    const char* values[] = {info.constData(), "UTF8", "-c datestyle=ISO", "ezr", nullptr};
    // expand_dbname: the first dbname is read as a whole connection string.
    connection_ = PQconnectdbParams(keys, values, 1);
    if (!connection_)
        throw AnalysisError(QStringLiteral("Нет памяти для соединения с архивом"));
    if (PQstatus(connection_) != CONNECTION_OK) {
        const QString reason = serverMessage(connection_);
        PQfinish(connection_);
        throw AnalysisError(QStringLiteral("Нет соединения с архивом: %1").arg(reason));
    }
}

PgConnection::~PgConnection() {
    PQfinish(connection_);
}

PgResult PgConnection::exec(const char* sql, const QList<PgParam>& params, bool binaryResult) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const PgParam& param : params) {
        values.push_back(param.null ? nullptr : param.value.constData());
        lengths.push_back(int(param.value.size()));
        formats.push_back(param.binary ? 1 : 0);
    }
    return checkedResult(connection_,
                         PQexecParams(connection_, sql, int(params.size()), nullptr, values.data(),
                                      lengths.data(), formats.data(), binaryResult ? 1 : 0));
}

namespace {

struct ParamArrays {
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    explicit ParamArrays(const QList<PgParam>& params) {
        for (const PgParam& param : params) {
            values.push_back(param.null ? nullptr : param.value.constData());
            lengths.push_back(int(param.value.size()));
            formats.push_back(param.binary ? 1 : 0);
        }
    }
};

// Pipeline mode for a batch of statements. Whatever happens, the batch is ended with a
// sync, the server's remaining answers are read up to it (a bounded number of them), and
// the connection leaves pipeline mode.
class Pipeline {
public:
    Pipeline(PGconn* connection, qsizetype statements)
        : connection_(connection), statements_(statements) {
        if (PQenterPipelineMode(connection_) != 1)
            throw AnalysisError(
                QStringLiteral("Ошибка архива: %1").arg(serverMessage(connection_)));
    }
    ~Pipeline() {
        if (!synced_)
            PQpipelineSync(connection_);
        // Each statement ends with a NULL, the sync with its own result.
        for (qsizetype left = 3 * statements_ + 4; left > 0; --left) {
            if (PQstatus(connection_) != CONNECTION_OK)
                break;
            PGresult* rest = PQgetResult(connection_);
            const bool done = rest && PQresultStatus(rest) == PGRES_PIPELINE_SYNC;
            PQclear(rest);
            if (done)
                break;
        }
        PQexitPipelineMode(connection_);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;
    void sync() {
        if (PQpipelineSync(connection_) != 1)
            throw AnalysisError(
                QStringLiteral("Ошибка архива: %1").arg(serverMessage(connection_)));
        synced_ = true;
    }

private:
    PGconn* connection_;
    qsizetype statements_;
    bool synced_ = false;
};

} // namespace

QList<PgResult> PgConnection::execMany(const char* sql, const QList<QList<PgParam>>& paramLists) {
    QList<PgResult> results;
    if (paramLists.isEmpty())
        return results;
    std::optional<AnalysisError> failure;
    {
        Pipeline pipeline(connection_, paramLists.size());
        for (const QList<PgParam>& params : paramLists) {
            const ParamArrays arrays(params);
            if (PQsendQueryParams(connection_, sql, int(params.size()), nullptr,
                                  arrays.values.data(), arrays.lengths.data(),
                                  arrays.formats.data(), 0) != 1)
                throw AnalysisError(
                    QStringLiteral("Ошибка архива: %1").arg(serverMessage(connection_)));
        }
        pipeline.sync();
        for (qsizetype i = 0; i < paramLists.size(); ++i) {
            PGresult* raw = PQgetResult(connection_);
            if (!failure) {
                try {
                    results.append(checkedResult(connection_, raw));
                } catch (const AnalysisError& error) {
                    failure = error;
                }
            } else {
                PQclear(raw);
            }
            // Each statement's results end with a NULL.
            if (raw)
                while (PGresult* extra = PQgetResult(connection_))
                    PQclear(extra);
        }
    }
    if (failure)
        throw *failure;
    return results;
}

void PgConnection::execScript(const char* sql) {
    checkedResult(connection_, PQexec(connection_, sql));
}

QString PgConnection::user() {
    return exec("SELECT session_user").text(0, 0);
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
    connection_.exec("BEGIN");
}

PgTransaction::~PgTransaction() {
    if (!open_)
        return;
    try {
        connection_.exec("ROLLBACK");
    } catch (const AnalysisError&) {
        // A lost connection has rolled back by itself.
    }
}

void PgTransaction::commit() {
    connection_.exec("COMMIT");
    open_ = false;
}

QByteArray textArrayLiteral(const QList<QString>& values) {
    QByteArray literal("{");
    for (const QString& value : values) {
        if (literal.size() > 1)
            literal += ',';
        literal += '"';
        for (const char c : value.toUtf8()) {
            if (c == '"' || c == '\\')
                literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    return literal + '}';
}

QByteArray numberArrayLiteral(const QList<qint64>& values) {
    QByteArray literal("{");
    for (const qint64 value : values) {
        if (literal.size() > 1)
            literal += ',';
        literal += QByteArray::number(value);
    }
    return literal + '}';
}

PgConnection::Canceller::Canceller(pg_conn* connection) : cancel_(PQgetCancel(connection)) {}

PgConnection::Canceller::~Canceller() {
    if (cancel_)
        PQfreeCancel(cancel_);
}

void PgConnection::Canceller::cancel() const {
    // The server's answer to a cancel request is not waited for: the statement's own result
    // tells whether it stopped.
    char error[256];
    if (cancel_)
        PQcancel(cancel_, error, int(sizeof error));
}

} // namespace ezr
