#pragma once

// Group folders of generated members for the benchmarks, made once per size. They are
// benchmark data, not output of the program: written plainly, without the verified write,
// whose sync and leftover search per file would make a million members take hours.
//
// With EZR_BENCH_GROUPS set, the folders are kept in <that folder>/<size>/Data and reused by
// later runs and other benchmark programs; otherwise they live in a temporary folder that is
// removed at exit.

#include "SampleMaker.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

inline constexpr std::uint32_t GroupSeed = 2026u;

inline bool writePlainly(const QString& path, const QByteArray& bytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// The program folder of a group of `size` members, holding it in its "Data" folder.
inline QString generatedGroupRoot(int size) {
    static QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/ezr-bench-XXXXXX"));
    static std::map<int, QString> made;
    if (const auto found = made.find(size); found != made.end())
        return found->second;
    const QByteArray kept = qgetenv("EZR_BENCH_GROUPS");
    QString root = (kept.isEmpty() ? temporary.path() : QString::fromLocal8Bit(kept)) +
                         QStringLiteral("/%1/").arg(size);
    const QString data = root + QStringLiteral("Data");
    const QDir folder(data);
    const qsizetype present = folder.exists() ? qsizetype(folder.entryList(QDir::Files).size()) : 0;
    if (present != size) {
        if (!QDir().mkpath(data)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(data));
            std::exit(1);
        }
        for (int i = 0; i < size; ++i) {
            const ezr::SampleExaminee examinee = ezr::generatedExaminee(GroupSeed, i);
            if (!writePlainly(folder.filePath(ezr::responseFileName(examinee)),
                              ezr::makeResponseFile(examinee))) {
                std::fprintf(stderr, "cannot write into %s\n", qPrintable(data));
                std::exit(1);
            }
        }
    }
    made[size] = root;
    return root;
}

} // namespace bench
