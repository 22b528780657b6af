#pragma once

// What the main window is busy with, and what a user's action does meanwhile.
// The waits of a port check and of a run handle events, so any action can
// arrive during them; every action asks `responseTo` before it runs.

enum class Busy {
    Idle,
    CheckingPort,       // Test's open dialogue, or the Enter key's in the port list
    Sending,            // a run of the command list, its own open dialogues included
    ReadingCommandFile, // the command file is read
    ShowingDialog,      // the About window or the file dialog of File, Open
};

enum class UserAction {
    FileOpen,
    About,
    ShowHelp,
    RunRecords, // File, Run Records...: the folder shown by the file manager
    Test,       // the Test button or Enter in the port list
    Go,         // the Go button or Enter in the serial-number box
    Exit,       // File, Exit, the Exit button or the window's close button
};

enum class Response {
    Run,
    Refuse, // nothing happens: the list, the port and the run stay as they are
};

Response responseTo(UserAction action, Busy busy);
