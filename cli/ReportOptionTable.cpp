#include "ReportOptionTable.h"

#include "Domain.h"

namespace ezr::report_options {

// One function on purpose: it is the options' table, data read from top to bottom, each
// entry an option's names, help, value and values in OptionIndex order.
QList<CommandOption> optionTable() {
    const auto group = [](NormKind kind, const QString& criterion) {
        return [kind, criterion](ReportRequest& r) {
            r.kind = kind;
            r.criterion = criterion;
        };
    };
    const auto norm = [](NormKind kind) { return [kind](ReportRequest& r) { r.kind = kind; }; };
    const auto encoding = [](ReportEncoding e) {
        return [e](ReportRequest& r) { r.encoding = e; };
    };
    const auto format = [](ReportFormat f) { return [f](ReportRequest& r) { r.format = f; }; };
    return {
        {{QStringLiteral("norm")},
         QStringLiteral("Нормирование для FILE (по умолчанию sex). / Norm for FILE (default sex)."),
         QStringLiteral("sex|education|satisfaction"),
         {},
         {{"sex", norm(NormKind::Sex)},
          {"education", norm(NormKind::Education)},
          {"satisfaction", norm(NormKind::Satisfaction)}}},
        {{QStringLiteral("group")},
         QStringLiteral("Анализ группы: все файлы директории DIR. / Group analysis of every file "
                        "in DIR."),
         QStringLiteral("DIR")},
        {{QStringLiteral("sex")},
         QStringLiteral("Группа, нормирование по полу. / Group compared with the sex norm."),
         QStringLiteral("male|female"),
         {},
         {{"male", group(NormKind::Sex, MaleSex)}, {"female", group(NormKind::Sex, FemaleSex)}}},
        {{QStringLiteral("education")},
         QStringLiteral("Группа, нормирование по образованию. / Group compared with the "
                        "education norm."),
         QStringLiteral("higher|secondary"),
         {},
         {{"higher", group(NormKind::Education, HigherEducation)},
          {"secondary", group(NormKind::Education, SecondaryEducation)}}},
        {{QStringLiteral("satisfaction")},
         QStringLiteral("Группа, нормирование по удовлетворенности. / Group compared with the "
                        "satisfaction norm."),
         {}},
        {{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("Записать отчёт в файл PATH (целиком или никак); в папку PATH - под "
                        "предлагаемым именем. / Write the report to PATH (all or nothing); "
                        "into folder PATH under the proposed name."),
         QStringLiteral("PATH")},
        {{QStringLiteral("encoding")},
         QStringLiteral("Кодировка вывода (по умолчанию windows-1251). / Output encoding "
                        "(default windows-1251)."),
         QStringLiteral("windows-1251|utf-8"),
         QStringLiteral("windows-1251"),
         {{"windows-1251", encoding(ReportEncoding::Windows1251)},
          {"utf-8", encoding(ReportEncoding::Utf8)}},
         true},
        {{QStringLiteral("format")},
         QStringLiteral("Формат: txt (по умолчанию), pdf, xlsx, csv, sav (SPSS), dta (Stata). / "
                        "Output format: txt (default), pdf, xlsx, csv, sav (SPSS), dta (Stata)."),
         QStringLiteral("txt|pdf|xlsx|csv|sav|dta"),
         QStringLiteral("txt"),
         {{"txt", format(ReportFormat::Txt)},
          {"pdf", format(ReportFormat::Pdf)},
          {"xlsx", format(ReportFormat::Xlsx)},
          {"csv", format(ReportFormat::Csv)},
          {"sav", format(ReportFormat::Sav)},
          {"dta", format(ReportFormat::Dta)}},
         true},
        {{QStringLiteral("where")},
         QStringLiteral("Группа: только обследуемые, чьи данные подходят (см. выше). / Group: "
                        "only the members whose header matches (see above)."),
         QStringLiteral("COND")},
        {{QStringLiteral("codes")},
         QStringLiteral("Группа: только обследуемые с кодами из файла LIST (код на строке). / "
                        "Group: only the members whose codes file LIST holds, one a line."),
         QStringLiteral("LIST")},
        {{QStringLiteral("skip-damaged")},
         QStringLiteral("Группа: пропускать нечитаемые файлы и перечислять их. / Group: skip "
                        "entries that cannot be read and list them."),
         {}},
        {{QStringLiteral("save-norm")},
         QStringLiteral("Группа: сохранить норму группы в файл N.json. / Group: save the "
                        "group's own norm to N.json."),
         QStringLiteral("N.json")},
        {{QStringLiteral("norm-name")},
         QStringLiteral("Название сохраняемой нормы. / The saved norm's name."),
         QStringLiteral("NAME")},
        {{QStringLiteral("norm-description")},
         QStringLiteral("Описание сохраняемой нормы (по умолчанию - условия отбора). / The saved "
                        "norm's description (default: how the members were chosen)."),
         QStringLiteral("TEXT")},
        {{QStringLiteral("norm-file")},
         QStringLiteral("Сравнить с сохранённой нормой N.json вместо встроенной. / Compare "
                        "with the saved norm N.json instead of a stored one."),
         QStringLiteral("N.json")},
        {{QStringLiteral("anonymous")},
         QStringLiteral("Без Ф.И.О.: обследуемые только по кодам. / Members by code only, "
                        "no names."),
         {}},
        {{QStringLiteral("retest")},
         QStringLiteral("Сравнить FILE с прежним обследованием того же обследуемого. / Compare "
                        "FILE with the same examinee's earlier test."),
         QStringLiteral("EARLIER.cry|DIR")},
        {{QStringLiteral("exclude-doubtful")},
         QStringLiteral("Группа: не включать обследуемых, чьи ответы требуют проверки, и "
                        "перечислить их. / Group: leave out members whose answers ask for a "
                        "look, and list them."),
         {}},
        {{QStringLiteral("db")},
         QStringLiteral("Архив отдела: строка соединения libpq (\"service=ezr\"). / The "
                        "department's archive: a libpq connection string."),
         QStringLiteral("CONNINFO")},
        {{QStringLiteral("group-archive")},
         QStringLiteral("Анализ группы: обследования из архива (--db). / Group analysis of the "
                        "archive's tests (--db)."),
         {}},
        {{QStringLiteral("unit")},
         QStringLiteral("Группа из архива: только подразделение NAME. / Archive group: only "
                        "the unit NAME."),
         QStringLiteral("NAME")},
        {{QStringLiteral("skip-missing")},
         QStringLiteral("С --codes: коды, которых нет в папке, - предупреждение, а не ошибка. / "
                        "With --codes: codes not in the folder are a warning, not an error."),
         {}},
        {{QStringLiteral("statistics")},
         QStringLiteral("Группа: статистика ячеек (t-критерий, ДИ, d, поправка Холма) вместо "
                        "отчёта, CSV или --format xlsx. / Group: the cells' statistics instead "
                        "of the report, as CSV or --format xlsx."),
         {}},
        {{QStringLiteral("compare-group")},
         QStringLiteral("Со --statistics: сравнить с группой директории DIR2. / With "
                        "--statistics: compare with the group of DIR2."),
         QStringLiteral("DIR2")},
        {{QStringLiteral("compare-where")},
         QStringLiteral("Со --statistics: вторая группа - обследуемые, чьи данные подходят. / "
                        "With --statistics: the second group's members by their header."),
         QStringLiteral("COND")},
        {{QStringLiteral("compare-codes")},
         QStringLiteral("Со --statistics: вторая группа - коды из файла LIST. / With "
                        "--statistics: the second group's codes, from LIST."),
         QStringLiteral("LIST")},
    };
}

} // namespace ezr::report_options
