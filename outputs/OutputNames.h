#pragma once

#include <QString>

// What the program saves, and the file names it proposes for them: one rule for the window
// and ezr-report.
namespace ezr {

// The text report, the printed report, the examinee table as a workbook, as CSV or as an
// SPSS or Stata data file.
enum class ReportFormat { Txt, Pdf, Xlsx, Csv, Sav, Dta };

// The format's file extension: "txt", "pdf", "xlsx", "csv", "sav", "dta".
QString formatExtension(ReportFormat format);
// The pictures of the window's two charts.
enum class ChartPicture { Profile, AnswerTime };

// The code field followed by the format's ending: " Mel.Sb.txt" for an individual analysis,
// " Mel.Gr.txt" for a group (whose code is the member count), and so on. The code is made a
// safe part of a name first (codeInFileName), so the name is always a file directly inside
// the folder it is proposed in.
QString proposedFileName(ReportFormat format, const QString& code, bool individual);
// " PlotH.Sb.gif" / " PlotH.Gr.gif" for the profile chart, " PlotT.Sb.gif" for answer times.
QString proposedFileName(ChartPicture picture, const QString& code, bool individual);

// The code as part of a file name: path separators, ".." and control characters become "_".
QString codeInFileName(const QString& code);

} // namespace ezr
