// One libFuzzer target; VEXLOR_FUZZ_TARGET names the reader it feeds.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

namespace {

void run(const QByteArray &bytes)
{
#define VEXLOR_CALL(name) VEXLOR_CALL_##name(bytes)
#define VEXLOR_CALL_text(b) Fuzz::textFile(b)
#define VEXLOR_CALL_ini(b) Fuzz::iniFile(b)
#define VEXLOR_CALL_xlsx(b) Fuzz::xlsx(b)
#define VEXLOR_CALL_ods(b) Fuzz::ods(b)
#define VEXLOR_CALL_fit(b) Fuzz::tableFit(b)
#define VEXLOR_CALL_xls(b) Fuzz::xls(b)
#define VEXLOR_CALL_start(b) Fuzz::settingsStart(b)
#define VEXLOR_CALL_observer(b) Fuzz::observerFile(b)
#define VEXLOR_CALL_paste(b) Fuzz::paste(b)
#define VEXLOR_EXPAND(name) VEXLOR_CALL(name)
    VEXLOR_EXPAND(VEXLOR_FUZZ_TARGET);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    run(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    return 0;
}
