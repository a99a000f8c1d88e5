#include "GroupRoster.h"

namespace ezr {

void PackedStrings::append(std::initializer_list<QStringView> parts) {
    for (const QStringView part : parts)
        text_ += part;
    ends_.append(text_.size());
}

QStringView PackedStrings::at(qsizetype index) const {
    const qsizetype start = index == 0 ? 0 : ends_[index - 1];
    return QStringView(text_).sliced(start, ends_[index] - start);
}

void PackedStrings::squeeze() {
    text_.squeeze();
    ends_.squeeze();
}

} // namespace ezr
