#pragma once

#include <QString>

class CommandHost;
class ReportPreviewWindow;

namespace ReportCommands {

// Kits > Kit Parts List, Kit Pull List, Kit Shortage List and Reports > BIN List.
void registerCommands(CommandHost &host);

// Runs a template from the program folder: asks its prompts, runs it on the
// shared connection and opens its preview, maximized. A cancelled prompt ends
// quietly; a failure shows the engine's error and opens nothing. Returns the
// preview, or null.
ReportPreviewWindow *openReport(CommandHost &host, const QString &templateName);

} // namespace ReportCommands
