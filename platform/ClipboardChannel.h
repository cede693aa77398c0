#pragma once

// The way the program reaches the clipboard beside the toolkit's own, as TAVO_CLIPBOARD names it
// ("data-control", "focused", "qt"), or the automatic choice when it names none or one that
// cannot be used here (said once on standard error). Writing and reading follow the same choice.
enum class ClipboardChannel { Automatic, Toolkit, DataControl, Focused };

ClipboardChannel namedClipboardChannel();
