#include "Anonymity.h"

#include "AnalysisError.h"
#include "Domain.h"
#include "Regional.h"
#include "ResponseFile.h"

namespace ezr {

namespace {

bool readsAsDate(QStringView text) {
    try {
        return parseShortDate(text).isValid();
    } catch (const AnalysisError&) {
        return false;
    }
}

QString knownOrEmpty(QStringView text, const QString& one, const QString& other) {
    return text == one || text == other ? text.toString() : QString();
}

QString dateOrEmpty(QStringView text) {
    return readsAsDate(text) ? text.toString() : QString();
}

// The header lines 0-5 (test date, birth date, code, name, sex, education).
constexpr int TestDateLine = 0;
constexpr int BirthDateLine = 1;
constexpr int NameLine = 3;
constexpr int SexLine = 4;
constexpr int EducationLine = 5;

QString anonymousLine(int line, QStringView text) {
    switch (line) {
    case TestDateLine:
    case BirthDateLine:
        return dateOrEmpty(text);
    case NameLine:
        return QString();
    case SexLine:
        return knownOrEmpty(text, MaleSex, FemaleSex);
    case EducationLine:
        return knownOrEmpty(text, HigherEducation, SecondaryEducation);
    default:
        return text.toString();
    }
}

void anonymise(ResponseHeader& h) {
    h.testDate = anonymousLine(TestDateLine, h.testDate);
    h.birthDate = anonymousLine(BirthDateLine, h.birthDate);
    h.name.clear();
    h.sex = anonymousLine(SexLine, h.sex);
    h.education = anonymousLine(EducationLine, h.education);
}

// A roster line is the code, ". " and the name: the code is what stands before the first
// ". ", which a code may hold itself but a name never precedes.
GroupRoster rosterByCode(const GroupRoster& roster) {
    GroupRoster codes;
    codes.fileNames = roster.fileNames;
    codes.linkedMembers = roster.linkedMembers;
    codes.interruptedWrites = roster.interruptedWrites;
    for (qsizetype m = 0; m < roster.lines.size(); ++m) {
        const QStringView line = roster.lines.at(m);
        const qsizetype separator = line.indexOf(u". ");
        codes.lines.append({separator < 0 ? line : line.first(separator)});
    }
    return codes;
}

} // namespace

AnalysisState anonymousAnalysis(AnalysisState state) {
    // A group's header is the program's own (count, "Группа", the run's date, its criterion).
    if (state.kind == AnalysisKind::Individual) {
        AnalysisHeader& h = state.header;
        h.name.clear();
        h.sex = anonymousLine(SexLine, h.sex);
        h.education = anonymousLine(EducationLine, h.education);
        h.testDate = anonymousLine(TestDateLine, h.testDate);
    }
    state.roster = rosterByCode(state.roster);
    for (ExamineeRecord& member : state.members)
        anonymise(member.header);
    for (DoubtfulMember& member : state.doubtful)
        member.name.clear();
    return state;
}

GroupMemberSink anonymousMembers(GroupMemberSink sink) {
    return [sink = std::move(sink)](const GroupMember& member) {
        // Copies of the header lines only; the item lines stay views of the member's text.
        QList<QString> header;
        QList<QStringView> lines = member.lines;
        for (int line = 0; line <= EducationLine && line < lines.size(); ++line)
            header.append(anonymousLine(line, lines[line]));
        for (int line = 0; line < header.size(); ++line)
            lines[line] = header[line];
        sink(GroupMember{member.fileName, lines, member.record});
    };
}

} // namespace ezr
