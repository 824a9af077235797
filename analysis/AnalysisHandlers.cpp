// The analysis commands not built yet: Auto Calc and Save Graph.
#include "app/TfrmMain.h"

// Until they land these commands do nothing.
void TfrmMain::tbAutoCalcClick() {}

void TfrmMain::tbSaveGraphClick() {}
