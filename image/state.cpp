// Program-wide picture state.
#include "image/image.h"

double Gamma = 1.2;
uint8_t RemapTable[256];
uint8_t RowBuffer[2048];
