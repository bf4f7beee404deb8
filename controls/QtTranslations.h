#pragma once
// The program speaks Japanese, and so do the dialogs that Qt itself builds (file, printer and page
// set-up dialogs, the standard buttons): Qt's own Japanese translations are installed into the
// application. The program calls this once at start-up, after the application object exists.

class QTranslator;

// The installed translator (owned by the application object), or nullptr when the translations are
// not there.
QTranslator* installQtTranslations();
