#include "ui/BusyState.h"

Response responseTo(UserAction action, Busy busy)
{
    if (busy == Busy::Idle) {
        return Response::Run;
    }
    switch (action) {
    case UserAction::ShowHelp:
    case UserAction::RunRecords:
        // The help viewer and the file manager are other programs: they change nothing here.
        return Response::Run;
    case UserAction::Exit:
        // The window closes at once; the dialogue or run gives up its wait,
        // sends nothing more and stores nothing twice. Only a dialog of the
        // program's own must be answered first.
        return busy == Busy::ShowingDialog ? Response::Refuse : Response::Run;
    case UserAction::FileOpen:
    case UserAction::About:
    case UserAction::Test:
    case UserAction::Go:
        break;
    }
    return Response::Refuse;
}
