// A data file of any content loads to a defined result: accounts or "SaveLoad: wrong slot id!",
// never a crash and never memory sized by a count read from the file.
#include "foundation/Exception.h"
#include "foundation/SaveLoad.h"
#include "logic/AccountMgr.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    Norq::SaveLoad::Reader reader(file);
    try {
        const Logic::AccountMgr manager(reader);
        Norq::SaveLoad::Writer writer;
        manager.save(writer);
    } catch (const Norq::SaveLoad::Failure&) {
    }
    return 0;
}
