#pragma once

// The data file's reader and writer, for the records' declarations that only name them.
namespace Norq::SaveLoad {
class Reader;
class Writer;
} // namespace Norq::SaveLoad
