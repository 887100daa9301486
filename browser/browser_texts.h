#pragma once
// The user-visible texts of the main window, in one place for the code and the tests.
#include <QString>

namespace lumora::browser::texts {

inline const QString kTitleVersion = QStringLiteral("Lumora 7.8");
inline const QString kTitleSuffix = QStringLiteral(" by Halvane Software");
inline const QString kApplicationTitle = QStringLiteral("Lumora");
inline const QString kFilesSuffix = QStringLiteral(" files");
inline const QString kKilobyteSuffix = QStringLiteral("K");
inline const QString kNameImages = QStringLiteral("Name (Images)");
inline const QString kNameAll = QStringLiteral("Name (All)");
inline const QString kErrorSorting = QStringLiteral("Error sorting items");
inline const QString kCanNotEdit = QStringLiteral("Can not edit ");
inline const QString kClickOnImageFirst = QStringLiteral("Click on an image filename first");
inline const QString kNoFilesForShow = QStringLiteral("You must select a directory with files to run a Lumora");
inline const QString kErrorReadingImageFile = QStringLiteral("Error reading image file");

// Where "Contacting us..." leads.
inline const QString kWebSite = QStringLiteral("https://www.halvane.example/lumora/");
inline const QString kSupportMail = QStringLiteral("mailto:support@halvane.example?subject=Lumora%207.8");

}  // namespace lumora::browser::texts
