#include "PanelRequests.h"

#include "Home.h"
#include "common/FailureMessage.h"
#include "pin/Pins.h"
#include "platform/InstanceRequest.h"

#include <QString>

namespace {

void capture(Home &panel, const InstanceRequest &request)
{
    using Verb = InstanceRequest::Verb;
    switch (request.verb) {
    case Verb::Full:
        panel.image_cut();
        break;
    case Verb::Window:
        panel.captureWindow();
        break;
    case Verb::Region:
        if (!request.last)
            panel.freeCut();
        else if (request.file.isEmpty())
            panel.lastRegion();
        else
            panel.saveLastRegion(request.file);
        break;
    default:
        break;
    }
}

} // namespace

void performRequest(Home &panel, const InstanceRequest &request)
{
    using Verb = InstanceRequest::Verb;
    // Ending the program is always heard; everything else waits for the open dialog.
    if (request.verb != Verb::Quit && panel.bringOpenDialogForward())
        return;
    if (mayBeDelayed(request.verb)) {
        // Through the wait even without one: while a delayed capture waits, another capture
        // from the command line starts nothing and is told so.
        Home *home = &panel;
        panel.afterDelay(request.delayMs, [home, request] {
            // A dialog opened meanwhile would be in the picture, or covered by the overlay.
            if (!home->bringOpenDialogForward())
                capture(*home, request);
        });
        return;
    }
    switch (request.verb) {
    case Verb::Show:
        panel.showPanel();
        break;
    case Verb::Full:
    case Verb::Region:
    case Verb::Window:
        break;
    case Verb::Save:
        panel.image_save();
        break;
    case Verb::Board:
        if (request.file.isEmpty())
            panel.openDrawBoard();
        else
            panel.openPictureOnBoard(request.file);
        break;
    case Verb::Quit:
        panel.closeNormal();
        break;
    case Verb::Pin:
        if (request.file == clipboardPinSource) {
            panel.pinClipboard();
        } else {
            QString failure;
            if (!pinFile(request.file, &failure))
                showOpenFailure(&panel, request.file, failure);
        }
        break;
    }
}
