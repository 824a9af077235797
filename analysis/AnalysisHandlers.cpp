// The analysis command not built yet: Save Graph.
#include "app/TfrmMain.h"

// Until it lands the command does nothing.
void TfrmMain::tbSaveGraphClick() {}
