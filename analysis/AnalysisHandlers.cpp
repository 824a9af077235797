// The analysis commands: Run, Auto Calc and Save Graph.
#include "app/TfrmMain.h"

// Not built yet: the commands do nothing until the model and the chart
// update exist.
void TfrmMain::tbRunClick() {}

void TfrmMain::tbAutoCalcClick() {}

void TfrmMain::tbSaveGraphClick() {}
