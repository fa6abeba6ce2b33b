#pragma once

#include <ostream>
#include <streambuf>

namespace Norq {

/// A narrow stream that hands its text to the debug output in pieces of at most 98 characters:
/// a full piece is passed on when the next character arrives, the rest on flush.
class DebugOutputStream : public std::ostream {
public:
    using Sink = void (*)(const char* piece);

    /// `sink` receives each NUL-terminated piece; by default the platform's debug output.
    explicit DebugOutputStream(Sink sink = nullptr);
    ~DebugOutputStream() override;

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(Sink sink);

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        void emit();

        static constexpr int kPieceLength = 98;
        Sink m_sink;
        // 98 characters, the NUL written behind them on emit, and a final NUL that stays.
        char m_area[kPieceLength + 2] = {};
    };

    Buffer m_buffer;
};

} // namespace Norq
