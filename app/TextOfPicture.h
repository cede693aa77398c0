#pragma once

class QString;

// --ocr FILE: reads the text of the picture file and prints it on stdout in UTF-8. Needs no
// application object beyond a core one. A file that cannot be read, or no engine, is one line
// with the reason on stderr and status 1; a picture without text prints nothing, status 0.
int printTextOfPicture(const QString &fileName);
