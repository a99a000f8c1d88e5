#pragma once

// A PostgreSQL 15 cluster of its own for one test or benchmark executable: made in a
// temporary folder, reached only through a Unix socket in that folder (no TCP), stopped and
// removed at the end. The server refuses to run as root, so under root (as in CI) it runs as
// the "postgres" system account (or "nobody"), which gets the folder. Every wait is bounded.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

class PgTestCluster {
public:
    static QString binDir() { return QStringLiteral("/usr/lib/postgresql/15/bin"); }
    static bool installed() { return QFile::exists(binDir() + QStringLiteral("/initdb")); }
    static QString notInstalledMessage() {
        return QStringLiteral("PostgreSQL 15 is not installed (no %1/initdb): the archive's "
                              "tests need a real server; bash tools/setup.sh --test installs it")
            .arg(binDir());
    }

    PgTestCluster() : folder_(QDir::tempPath() + QStringLiteral("/ezr-pg-XXXXXX")) {}
    ~PgTestCluster() { stop(); }
    PgTestCluster(const PgTestCluster&) = delete;
    PgTestCluster& operator=(const PgTestCluster&) = delete;

    // Makes the cluster and the database "ezr"; false with `error` set when anything fails.
    bool start(QString* error) {
        if (!folder_.isValid())
            return fail(error, QStringLiteral("no temporary folder"));
        if (geteuid() == 0 && !handOver(error))
            return false;
        const QString data = folder_.path() + QStringLiteral("/data");
        if (!run(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"),
                  QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                  QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8")},
                 error))
            return false;
        // No TCP; durability is not what these tests are about.
        if (!run(QStringLiteral("pg_ctl"),
                 {QStringLiteral("-D"), data, QStringLiteral("-l"),
                  folder_.path() + QStringLiteral("/server.log"), QStringLiteral("-w"),
                  QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                  QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c max_connections=40")
                      .arg(folder_.path()),
                  QStringLiteral("start")},
                 error))
            return false;
        started_ = true;
        return run(QStringLiteral("psql"),
                   {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), conninfo(),
                    QStringLiteral("-c"), QStringLiteral("CREATE DATABASE ezr")},
                   error);
    }

    void stop() {
        if (!started_)
            return;
        started_ = false;
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), folder_.path() + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("-t"),
             QStringLiteral("60"), QStringLiteral("stop")},
            nullptr);
    }

    // The libpq connection string for `user` on `database`.
    QString conninfo(const QString& user = QStringLiteral("postgres"),
                     const QString& database = QStringLiteral("postgres")) const {
        return QStringLiteral("host=%1 port=5432 dbname=%2 user=%3")
            .arg(folder_.path(), database, user);
    }
    QString archive(const QString& user = QStringLiteral("postgres")) const {
        return conninfo(user, QStringLiteral("ezr"));
    }
    // Starts the cluster with login roles of these names, as the archive suites begin.
    bool startWithRoles(const QStringList& roles, QString* error) {
        QString statements;
        for (const QString& role : roles)
            statements += QStringLiteral("CREATE ROLE %1 LOGIN; ").arg(role);
        return start(error) && sql(statements, error);
    }
    // Runs SQL as the superuser through psql; false when it fails.
    bool sql(const QString& statements, QString* error = nullptr) {
        return run(QStringLiteral("psql"),
                   {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), archive(),
                    QStringLiteral("-c"), statements},
                   error);
    }

private:
    static bool fail(QString* error, const QString& text) {
        if (error)
            *error = text;
        return false;
    }

    // The folder goes to an unprivileged account, which runs every server program.
    bool handOver(QString* error) {
        for (const char* name : {"postgres", "nobody"}) {
            if (const passwd* account = getpwnam(name)) {
                account_ = QString::fromLatin1(name);
                if (::chown(QFile::encodeName(folder_.path()).constData(), account->pw_uid,
                            account->pw_gid) != 0)
                    return fail(error, QStringLiteral("cannot hand the folder to %1").arg(name));
                return true;
            }
        }
        return fail(error, QStringLiteral("no unprivileged account to run the server"));
    }

    bool run(const QString& tool, const QStringList& arguments, QString* error) {
        const QString program = binDir() + QLatin1Char('/') + tool;
        QProcess process;
        process.setWorkingDirectory(folder_.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (account_.isEmpty())
            process.start(program, arguments);
        else
            process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), account_,
                                                                 QStringLiteral("--"), program} +
                                                         arguments);
        const bool finished = process.waitForFinished(120000);
        if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        if (!finished)
            process.kill();
        return fail(
            error,
            QStringLiteral("%1 failed: %2").arg(tool, QString::fromLocal8Bit(process.readAll())));
    }

    QTemporaryDir folder_;
    QString account_; // empty: the programs run as this process's user
    bool started_ = false;
};
