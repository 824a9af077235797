// The colour commands: line swatches, chart background, axis grid.
#include "TfrmMain.h"

// Not built yet: the colour commands do nothing until they land.
void TfrmMain::Shape1MouseDown(ColorSwatch *) {}

void TfrmMain::GridBackGroundColor1Click() {}

void TfrmMain::GridAxisColor1Click() {}
