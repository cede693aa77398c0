#pragma once

class QString;

// Why reading or writing a file failed, in the interface's language. The toolkit's own error
// texts are the system's, English on most desktops, so the reason is made from the system's error
// code instead, helped by what the file system shows now where the code is not known (0: systems
// whose file calls leave none behind).

// For a file that could not be created, written or put in place of the old one.
QString writeFailureReason(int errorCode, const QString &fileName);
// For a file that could not be opened or read.
QString readFailureReason(int errorCode, const QString &fileName);
