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

QString proposedFileName(ReportFormat format, const QString& code, bool individual) {
    switch (format) {
    case ReportFormat::Txt:
        return nameOf(code, individual ? " Mel.Sb.txt" : " Mel.Gr.txt");
    case ReportFormat::Pdf:
        return nameOf(code, individual ? " Mel.Sb.pdf" : " Mel.Gr.pdf");
    case ReportFormat::Xlsx:
        return nameOf(code, individual ? " Mel.Sb.xlsx" : " Mel.Gr.xlsx");
    case ReportFormat::Csv:
        return nameOf(code, individual ? " Mel.Sb.csv" : " Mel.Gr.csv");
    }
    return QString();
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
