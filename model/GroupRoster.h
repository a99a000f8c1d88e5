#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>

namespace ezr {

// Many short strings back to back in one, each found by where it ends: a few bytes of
// bookkeeping a string instead of a QString's header and allocation each, and freed at once.
class PackedStrings {
public:
    // Appends one string made of `parts` joined.
    void append(std::initializer_list<QStringView> parts);
    qsizetype size() const { return ends_.size(); }
    bool isEmpty() const { return ends_.isEmpty(); }
    QStringView at(qsizetype index) const;
    // Gives back what the growth left unused.
    void squeeze();

private:
    QString text_;
    QList<qsizetype> ends_;
};

// The members of a group as the group itself needs them, in listing order: the file names
// (the output check compares them) and the "code. name" lines (the information text lists
// them).
struct GroupRoster {
    PackedStrings fileNames;
    PackedStrings lines;
    // Some member is a symbolic link, which may lead anywhere outside the folder.
    bool linkedMembers = false;
    // Temporary files that an interrupted write left in the folder: never members, named
    // once in the information text so that the user knows why the folder holds more.
    QList<QString> interruptedWrites;
};

} // namespace ezr
