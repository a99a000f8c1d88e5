#pragma once

#include <QByteArrayView>
#include <QString>

namespace ezr {

// The one way the program writes a file. A regular file (or a new one) is replaced only when
// the new bytes are completely on disk: they go to a temporary file beside it, are flushed and
// checked, and only then renamed over the old one; on any failure the old file stays byte for
// byte and the temporary file is removed. A target that is not a regular file (a FIFO, a
// character device such as /dev/null or a terminal) is written in place, never replaced.
// Throws AnalysisError with the system's reason.
void writeFileVerified(const QString& path, QByteArrayView bytes);

} // namespace ezr
