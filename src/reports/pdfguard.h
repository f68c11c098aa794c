#pragma once

#include <QString>

class AppContext;

// Where a report may be written as PDF. Never over the inventory database or
// the files its engine keeps beside it; over another existing file that is
// not a PDF only when the user says so (the command line never does).
namespace PdfGuard {

enum class Verdict { Write, Confirm, Refuse };

struct Check
{
    Verdict verdict = Verdict::Write;
    QString reason; // a sentence: why the file is not simply written
};

Check check(const AppContext &app, const QString &path);

} // namespace PdfGuard
