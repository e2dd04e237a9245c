// Private to the headless backend: each file's part of HeadlessReset.
#pragma once

void HeadlessResetScreen();
void HeadlessResetSound();
