#pragma once

#include <QString>

class AppContext;

// Where the program finds its own files and keeps its database.
//
// A copy run from its build folder or unpacked anywhere (a portable copy)
// keeps everything beside itself. An installed copy (bin/partwise with
// share/partwise beside bin) reads its templates, manual and start page from
// share/partwise and keeps its database in the user's data folder.
namespace ProgramFiles {

// The database file's name.
QString databaseFileName();
// The manual's contents page, relative to the folder of the program's files.
QString helpFile();
// The sample database an installation ships in share/partwise.
QString sampleFileName();

// share/partwise of an installed program in `programDir`; empty when the
// program is not installed.
QString installedDataFolder(const QString &programDir);

// What start-up did about the database file.
struct Placement
{
    QString path;    // the file the program opens when nothing else is set
    QString made;    // "sample", "schema" or empty: made at this start
    QString source;  // the file a "sample" was copied from
    QString error;   // why a new file could not be made
};

// Sets the folders and the database file of `app` for a program in
// `programDir`:
// - installed, or the folder is not writable: the user's data folder
//   (`userDataDir`), where the file is made at the first start from the
//   sample (share/partwise, or a database left beside the program) or from
//   the empty schema;
// - otherwise beside the program.
// The setting Database or the --database option overrides both: then no
// file is made.
Placement place(AppContext &app, const QString &programDir, const QString &userDataDir);

// The message that tells the user where a new database was made.
QString madeText(const Placement &placement);

} // namespace ProgramFiles
