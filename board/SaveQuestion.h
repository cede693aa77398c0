#pragma once

class QWidget;

enum class SaveAnswer { Save, Discard, Cancel };

// Asks, in a modal message over `window`, whether its unsaved drawing is to be saved before it
// goes: 保存, 不保存 or 取消 (the toolkit's standard buttons). Closing the message is 取消.
SaveAnswer askToSaveDrawing(QWidget *window);
