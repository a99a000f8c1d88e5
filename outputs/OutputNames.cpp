#include "OutputNames.h"

namespace ezr {

namespace {

QString nameOf(const QString& code, const char* ending) {
    return codeInFileName(code) + QLatin1String(ending);
}

} // namespace

QString codeInFileName(const QString& code) {
    QString safe = code;
    for (QChar& c : safe) {
        const char16_t u = c.unicode();
        if (u == u'/' || u == u'\\' || u < 0x20 || (u >= 0x7F && u < 0xA0))
            c = QLatin1Char('_');
    }
    // Only a name of its own would climb out of the folder, but no proposed name should look
    // as if it might.
    safe.replace(QStringLiteral(".."), QStringLiteral("__"));
    return safe;
}

QString formatExtension(ReportFormat format) {
    switch (format) {
    case ReportFormat::Txt:
        return QStringLiteral("txt");
    case ReportFormat::Pdf:
        return QStringLiteral("pdf");
    case ReportFormat::Xlsx:
        return QStringLiteral("xlsx");
    case ReportFormat::Csv:
        return QStringLiteral("csv");
    case ReportFormat::Sav:
        return QStringLiteral("sav");
    case ReportFormat::Dta:
        return QStringLiteral("dta");
    }
    return QString();
}

QString proposedFileName(ReportFormat format, const QString& code, bool individual) {
    const QString ending = (individual ? QStringLiteral(" Mel.Sb.") : QStringLiteral(" Mel.Gr.")) +
                           formatExtension(format);
    return codeInFileName(code) + ending;
}

QString proposedFileName(ChartPicture picture, const QString& code, bool individual) {
    switch (picture) {
    case ChartPicture::Profile:
        return nameOf(code, individual ? " PlotH.Sb.gif" : " PlotH.Gr.gif");
    case ChartPicture::AnswerTime:
        return nameOf(code, " PlotT.Sb.gif");
    }
    return QString();
}

} // namespace ezr
