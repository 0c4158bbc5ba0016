// The engine's process on Win32: the completion atom, the start, and the waits for the process and
// for the dialogs it may leave behind. The stub window's SetupHost runs the engine through it.
#pragma once
#include "setup/SetupHost.h"

// Adds the completion atom, starts the engine, hides the host's window and waits for the engine
// and then its dialogs; the atom is gone afterwards either way.
EngineRun RunEngineProcess(const EngineStart& start, SetupHost& host);
