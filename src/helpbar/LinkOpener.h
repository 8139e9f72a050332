#pragma once

#include <QString>
#include <QStringList>

namespace custodia {

// Opens a web or mail address with the desktop's opener ("xdg-open"); when that is missing or fails,
// with the default web browser's command line. Returns a code above 32 on success, else the failure
// code of HyperlinkError.h that says why (no program for links at all, or one that could not start).
int OpenLinkOnDesktop(const QString& target);

// The program and arguments that open a target with a desktop entry's Exec line. The first of the
// field codes %u, %U, %f and %F marks where the target goes; what follows it is left out, as it would
// only name further files. Other field codes are dropped. Without any of those four the target is
// appended. Empty when the line names no program.
QStringList BrowserCommand(const QString& execLine, const QString& target);

// The Exec line of the default web browser's desktop entry, as the desktop's "mimeapps.list" files name
// it for "x-scheme-handler/http" (else "text/html"); empty when none is found.
QString DefaultBrowserExecLine();

} // namespace custodia
