#pragma once

// The toolkit's own texts (standard buttons, the file and colour dialogs, their questions) in
// Simplified Chinese like the rest of the interface, whatever language the system speaks: its
// translation is loaded from beside the program (the Windows folder) or from the toolkit's own
// translations, and Chinese becomes the default locale. Without the translation the toolkit's
// English stays. Call once the application object exists; returns whether it was found.
bool useChineseInToolkitTexts();
