#include "FuzzFile.h"

#include "store/OfficeNameList.h"

using namespace custodia;

// "officena.mes" read, then one office written into it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = fuzz::ScratchFolder();
    const std::vector<unsigned char> image = fuzz::SealedRecordImage(data, size);
    fuzz::WriteInput(officenames::kFileName, image);
    OfficeNameList offices(folder);
    for (int office = 0; office < 100; ++office) {
        offices.GetNumberText(office);
        offices.GetName(office);
    }
    if (fuzz::ShouldWrite(image) && offices.SetOffice(static_cast<int>(size % 100), "12", "Harbour"))
        offices.Save();
    return 0;
}
