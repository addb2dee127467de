#pragma once

// Start-up, the event loop and shutdown; returns the program's exit code.
int runZandrel(int argc, char** argv);
