#pragma once

#include "ProgramVersion.h"

#include <QString>

// The texts that the windows build from the program's version data.

// "1.04.00": the major number, then the minor number and the revision each as
// the last two characters of "00" followed by the number.
QString versionNumber(const ProgramVersion& version = kProgramVersion);

// " Version: 1.04.00 "
QString versionCaption(const ProgramVersion& version = kProgramVersion);

// " Part Number: " + the comments field + " "
QString partNumberCaption(const ProgramVersion& version = kProgramVersion);

// The copyright notice between two blanks.
QString copyrightCaption(const ProgramVersion& version = kProgramVersion);

inline const QString kProductCaption = QStringLiteral(" Orvelle ");
inline const QString kCompanyBanner = QStringLiteral(" VORLAN Windows ");
