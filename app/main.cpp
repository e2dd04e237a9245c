// The program: the system's message loop on the SDL backend.
#include "app/app.h"

int main() { return RunMessageLoop(); }
