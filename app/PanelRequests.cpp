#include "PanelRequests.h"

#include "Home.h"
#include "common/FailureMessage.h"
#include "pin/Pins.h"
#include "platform/InstanceRequest.h"

#include <QString>

void performRequest(Home &panel, const InstanceRequest &request)
{
    using Verb = InstanceRequest::Verb;
    // Ending the program is always heard; everything else waits for the open dialog.
    if (request.verb != Verb::Quit && panel.bringOpenDialogForward())
        return;
    switch (request.verb) {
    case Verb::Show:
        panel.showPanel();
        break;
    case Verb::Full:
        panel.image_cut();
        break;
    case Verb::Save:
        panel.image_save();
        break;
    case Verb::Region:
        panel.freeCut();
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
