// Program-wide picture state.
#include "image/image.h"

// The first of the gamma key's brightness steps.
static const double StartGamma = 1.2;

double Gamma = StartGamma;
uint8_t RemapTable[256];
uint8_t RowBuffer[2048];

// The remap table starts as the identity, so the start-up logo is encoded
// through it unchanged.
void ResetImageState() {
    Gamma = StartGamma;
    BuildRemapTable(nullptr, nullptr);
}
