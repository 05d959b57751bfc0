// The text area's layout rule in twips: the margins measured at load, and the
// text area's size at each new client size.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "core/form.h"
#include "core/layout.h"
#include "core_test.h"

using namespace tagwell;

namespace {

layout::Size areaAtStart()
{
    const form::Control& area = form::control(form::Id::WenBen);
    return {double(area.width), double(area.height)};
}

} // namespace

TEST_CASE("margins of the stored layout, rounded to even")
{
    const layout::Margins margins = layout::measure({form::ClientWidth, form::ClientHeight}, areaAtStart());
    CHECK(margins.height == 585);
    CHECK(margins.width == -15);

    struct Case {
        double client, area;
        int margin;
    };
    for (const Case c : {Case{10.5, 8, 2}, Case{11.5, 8, 4}, Case{12.4, 8, 4}, Case{8, 10.5, -2}, Case{8, 11.5, -4}}) {
        CAPTURE(c.client);
        CAPTURE(c.area);
        CHECK(layout::measure({c.client, c.client}, {c.area, c.area}).height == c.margin);
        CHECK(layout::measure({c.client, c.client}, {c.area, c.area}).width == c.margin);
    }
}

TEST_CASE("the text area at each client size")
{
    const layout::Margins margins{585, -15};
    struct Case {
        const char* name;
        layout::Size client;
        std::optional<layout::Size> area;
    };
    const Case cases[] = {
        {"start size: the first resize changes nothing", {7560, 5520}, layout::Size{7575, 4935}},
        {"larger", {12000, 9000}, layout::Size{12015, 8415}},
        {"narrower than the button row, high enough", {3000, 4500}, layout::Size{3015, 3915}},
        {"one pixel above the margin", {4500, 600}, layout::Size{4515, 15}},
        {"at the margin: nothing changes", {4500, 585}, std::nullopt},
        {"minimized: nothing changes", {0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        const std::optional<layout::Size> area = layout::textAreaSize(margins, c.client);
        REQUIRE(area.has_value() == c.area.has_value());
        if (area) {
            CHECK(area->width == c.area->width);
            CHECK(area->height == c.area->height);
        }
    }
}
