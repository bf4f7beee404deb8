#pragma once
// Forms and dialogs name the Japanese Windows faces; the installed IPA fonts stand in for them. The
// program calls this once at start-up, before the first window is created.

void installFontSubstitutions();
