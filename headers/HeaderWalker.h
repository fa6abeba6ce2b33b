#pragma once

#include <string_view>

/// Splits a header block, as a POP3 TOP hands it out, into fields. A field ends at the first
/// CR LF that is followed by something other than a space or a TAB, or that ends the block;
/// continuation lines stay inside their field with their CR LF and leading white space, for the
/// text decoder to unfold. A CR without LF is ordinary data.
class HeaderWalker {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        /// One field, from the first byte of its name to just before its final CR LF.
        virtual void onField(const char* fieldStart, const char* fieldEnd) = 0;
        /// The empty line that ends the headers was reached; what follows it is handed over.
        /// Not called for a block that has no empty line.
        virtual void onHeadersEnd(const char* restStart, const char* blockEnd) = 0;
    };

    explicit HeaderWalker(std::string_view block) : m_block(block) {}

    /// Calls the listener for each field in order, then for the end of the headers.
    void walk(Listener& listener) const;

private:
    std::string_view m_block;
};

/// Matches a field against a name that includes its colon ("Subject:"), ignoring ASCII case.
/// Returns where the value starts (after the name and any spaces and TABs), or nullptr when the
/// field does not begin with the name.
const char* matchFieldName(std::string_view name, const char* fieldStart, const char* fieldEnd);
