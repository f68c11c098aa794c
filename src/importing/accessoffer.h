#pragma once

#include <QString>

class AppContext;
class QWidget;

// At start-up, when the database to open is a Microsoft Access file: offers
// to copy its tables into a new Partwise database beside it, leaving the
// Access file as it is, and names the command that does the same.
namespace AccessOffer {

// The file a copy of `accessPath` is made into: "<name>-Partwise.mdb" beside it.
QString copyPath(const QString &accessPath);

// True when the database was an Access file and the user now has a Partwise
// copy to open: the context then points at it. A later start on the same
// Access file offers to open that copy. False, with the user told why where
// there was something to tell, otherwise.
bool offerCopy(AppContext &app, QWidget *parent);

} // namespace AccessOffer
