#include "HotKeyTable.h"

#include <QByteArray>

#include <algorithm>
#include <limits>

namespace {

constexpr unsigned int windowsHotKeyMessage = 0x0312; // WM_HOTKEY

} // namespace

const std::array<HotKey, 4> &hotKeyTable()
{
    static const std::array<HotKey, 4> table{{
        {1, 'O', HotKeyAction::OpenDrawBoard},
        {2, 'F', HotKeyAction::FreeCut},
        {3, 'X', HotKeyAction::ImageCut},
        {4, 'S', HotKeyAction::ImageSave},
    }};
    return table;
}

HotKeyAction hotKeyActionForId(int id)
{
    for (const HotKey &hotKey : hotKeyTable()) {
        if (hotKey.id == id)
            return hotKey.action;
    }
    return HotKeyAction::None;
}

int windowsHotKeyId(const QByteArray &eventType, unsigned int message, unsigned long long wParam)
{
    // Qt's Windows integration names its native events one of these two ways.
    if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG")
        return 0;
    if (message != windowsHotKeyMessage)
        return 0;
    // Checked before narrowing, so a wide value whose low bits happen to match is not taken.
    if (wParam > unsigned(std::numeric_limits<int>::max()))
        return 0;
    const int id = int(wParam);
    return hotKeyActionForId(id) == HotKeyAction::None ? 0 : id;
}

std::vector<unsigned int> withLockModifiers(unsigned int modifiers, unsigned int capsLockMask,
                                            unsigned int numLockMask)
{
    std::vector<unsigned int> combinations;
    for (unsigned int locks : {0u, capsLockMask, numLockMask, capsLockMask | numLockMask}) {
        const unsigned int combination = modifiers | locks;
        if (std::find(combinations.begin(), combinations.end(), combination) == combinations.end())
            combinations.push_back(combination);
    }
    return combinations;
}
