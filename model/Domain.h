#pragma once

#include "Version.h"

#include <QString>

// The constants the whole program shares: the header texts that choose a norm group, the
// folder names beside the program, the verdict colours and the program's name and version.
namespace ezr {

// The sex and education lines as the data-entry program writes them; the group menu puts
// the same texts into the header fields.
inline const QString MaleSex = QStringLiteral("Мужской");
inline const QString FemaleSex = QStringLiteral("Женский");
inline const QString HigherEducation = QStringLiteral("Высшее");
inline const QString SecondaryEducation = QStringLiteral("Среднее");

// The folders a copy of the program keeps beside its executable.
inline const QString DataFolderName = QStringLiteral("Data");
inline const QString ResultsFolderName = QStringLiteral("Results");

// Colours as red, green, blue: the model has no colour type of its own.
struct Rgb {
    int red;
    int green;
    int blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
// Beyond the norm (and the labels of the result panel), within the norm.
inline constexpr Rgb MaroonRgb{128, 0, 0};
inline constexpr Rgb GreenRgb{0, 128, 0};

inline const QString ProgramVersion = QStringLiteral(EZR_VERSION);
// The caption of every error box and the name on every report.
inline const QString ApplicationTitle = QStringLiteral("EZR v.") + ProgramVersion;

} // namespace ezr
