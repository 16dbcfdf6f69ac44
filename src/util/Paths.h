#pragma once

#include <QString>

// Folder ids the program asks the system for.
constexpr int CSIDL_PERSONAL = 5; // the member's documents folder
constexpr int CSIDL_APPDATA = 26; // the member's application-data folder
constexpr int CSIDL_FLAG_CREATE = 0x8000;

// The system's path of a special folder, without a trailing separator; with Create, the folder
// is made when missing. Falls back to the home folder when the system names none.
QString GetSpecialFolder(int FolderId, bool Create);

// The path with the platform's separator at its end (an empty path becomes the separator).
QString AddPathDelimiter(const QString& Path);

// Makes Dir with every missing parent; true when it exists afterwards.
bool ForceDirectories(const QString& Dir);
