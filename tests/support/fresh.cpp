// A fresh platform and program for every test.
#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "tests/support/support.h"

void FreshProgram() {
    HeadlessReset();
    ArchiveRelease();
    LinkedResources = nullptr;
    TrackedFailAt(0);
    ResetGlobals();
}
