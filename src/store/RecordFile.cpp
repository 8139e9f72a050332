#include "store/RecordFile.h"
namespace custodia {
void RecordFile::OnRecord(const unsigned char*, uint64_t) {}
}
