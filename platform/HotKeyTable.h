#pragma once

#include <array>
#include <vector>

class QByteArray;

// The four system-wide key combinations and what each one starts. Every platform layer reads the
// same table, so the ids, keys and actions cannot drift apart between Windows and X11.
enum class HotKeyAction { None, OpenDrawBoard, FreeCut, ImageCut, ImageSave };

struct HotKey
{
    int id;
    char letter;           // upper-case letter: the Windows virtual-key code and, lower-cased, the X keysym
    HotKeyAction action;
};

// Every combination is Ctrl+Alt+letter; Windows spells that MOD_ALT | MOD_CONTROL.
constexpr unsigned int windowsHotKeyModifiers = 0x0001 | 0x0002;

const std::array<HotKey, 4> &hotKeyTable();

// The action behind an id; None for an id outside the table.
HotKeyAction hotKeyActionForId(int id);

// The id carried by a Windows hot-key message as Qt hands it to nativeEvent, or 0 when the
// message is of another kind (another event type or another message number).
int windowsHotKeyId(const QByteArray &eventType, unsigned int message, unsigned long long wParam);

// X11 grabs are exact about modifiers, so a combination is grabbed once for every state of the
// lock keys (CapsLock's Lock and whichever modifier carries NumLock). Duplicates are left out
// when NumLock has no modifier of its own.
std::vector<unsigned int> withLockModifiers(unsigned int modifiers, unsigned int capsLockMask,
                                            unsigned int numLockMask);
