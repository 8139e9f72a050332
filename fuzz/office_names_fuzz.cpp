#include "FuzzFile.h"

#include "store/OfficeNameList.h"

using namespace custodia;

// "officena.mes" read, then one office written into it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = fuzz::ScratchFolder();
    fuzz::WriteInput("officena.mes", data, size);
    OfficeNameList offices(folder);
    for (int office = 0; office < 100; ++office) {
        offices.GetNumberText(office);
        offices.GetName(office);
    }
    if (offices.SetOffice(static_cast<int>(size % 100), "12", "Harbour"))
        offices.Save();
    return 0;
}
