#pragma once

class QString;

// The engine's reading of a line turned into the text as a Chinese user would have typed it:
// no spaces between Chinese characters, full-width punctuation where the text around it is
// Chinese and half-width inside English and numbers, look-alike letters inside numbers made
// digits. Pure; lines in `text` stay lines.
QString tidyRecognisedText(const QString &text);
