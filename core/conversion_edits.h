// The conversion as edits of the original text rather than a new text, from
// the same scan as the whole-text conversion: where a text already sits in
// an editor, changing only the signs and tags in place costs far less than
// replacing the whole of it when signs are few.
#pragma once

#include "core/scanner.h"

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace tagwell {

// The characters [start, end) of the original text give way to `replacement`.
struct Edit {
    std::size_t start;
    std::size_t end;
    std::string_view replacement; // ASCII
};

namespace detail {

template <class Ch, class F> struct EditTeller {
    F* tell;

    void edit(const Edit& e) { (*tell)(e); }

    template <class Vector> void chunk(const Ch*, std::size_t) {}
    template <class Vector> void block(const Ch*, std::size_t) {}
    void kept(Ch) {}
    void sign(Ch c, std::size_t at) { edit(Edit{at, at + 1, entityOf(c)}); }
    void removed(std::size_t start, std::size_t end) { edit(Edit{start, end, {}}); }
    void opening() { edit(Edit{0, 0, literals::OpenTag}); }
    void closing(std::size_t at) { edit(Edit{at, at, literals::CloseTag}); }
};

} // namespace detail

// Calls `edit(Edit)` for each edit that turns `text` into
// convertText(text, state), in ascending order and never overlapping: the
// opening tag inserted at 0, the removed tags and the escaped signs, the
// closing tag inserted at the end. Applied from the last to the first, each
// edit's positions still hold.
template <class Ch, class F> void forEachConversionEdit(std::basic_string_view<Ch> text, CheckState state, F&& edit)
{
    Scanner<Ch> scanner(state);
    detail::EditTeller<Ch, std::remove_reference_t<F>> teller{&edit};
    scanner.start(teller);
    scanner.feed(text.data(), text.size(), teller);
    scanner.finish(teller);
}

} // namespace tagwell
