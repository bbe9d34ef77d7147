#pragma once

// The update check's questions and reports as Brenvale's message boxes (through
// ModalDialogs), with the busy cursor while the check waits for the server.
void InstallUpdateMessages();
