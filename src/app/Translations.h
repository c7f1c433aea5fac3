#pragma once

class QCoreApplication;

namespace Translations {

// Installs the embedded catalogue on the application. The Spanish texts are the source texts;
// the catalogue only adapts the ones that would read wrong on a Linux desktop, so it is loaded
// whatever the user's locale. Returns false when the catalogue is missing from the binary.
bool install(QCoreApplication& app);

} // namespace Translations
