// The spreadsheet commands Open (XLS) and Save (XLS).
#include "app/TfrmMain.h"

// The workbook component these commands drive is not built yet; until it
// is, the commands do nothing.
void TfrmMain::tbOpnXlsClick() {}

void TfrmMain::tbSavXlsClick() {}
