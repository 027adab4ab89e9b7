#include "ui/logic/template_font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An extended dialog template header up to and including its font.
struct TemplateBytes {
    std::vector<uint8_t> bytes;
    void Word(uint16_t w) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    void Dword(uint32_t d) {
        Word(static_cast<uint16_t>(d));
        Word(static_cast<uint16_t>(d >> 16));
    }
    void Text(const std::u16string& s) {
        for (char16_t c : s) {
            Word(static_cast<uint16_t>(c));
        }
        Word(0);
    }
};

TemplateBytes Make(uint32_t style, bool ordinalClass, const std::u16string& face) {
    TemplateBytes t;
    t.Word(1);
    t.Word(0xFFFF);
    t.Dword(0);      // help id
    t.Dword(0);      // extended style
    t.Dword(style);  // style
    t.Word(13);      // controls
    t.Word(0), t.Word(0), t.Word(280), t.Word(183);
    t.Word(0);  // no menu
    if (ordinalClass) {
        t.Word(0xFFFF), t.Word(0x8002);
    } else {
        t.Text(u"SETUP_BEGIN");
    }
    t.Text(u"Setup");
    t.Word(8), t.Word(400);
    t.bytes.push_back(0), t.bytes.push_back(1);
    t.Text(face);
    return t;
}

TEST(TemplateFont, ReadsTheFontOfExtendedTemplates) {
    const uint32_t kPage = 0x90C000C0, kNoFont = 0x90C00080;
    struct Row {
        uint32_t style;
        bool ordinalClass;
        std::u16string face;
        int cut;  // bytes dropped from the end
        int ok;
        std::string expectedFace;
    } rows[] = {
        {kPage, false, u"Arial", 0, 1, "Arial"},
        {kPage, true, u"Arial", 0, 1, "Arial"},
        {kNoFont, false, u"Arial", 0, 0, ""},
        {kPage, false, u"Arial", 2, 0, ""},   // face without its terminator
        {kPage, false, u"Arial", 14, 0, ""},  // ends inside the font fields
        {kPage, false, u"A\u00e9B", 0, 1, "A?B"},
        {kPage, false, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij", 0, 1,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        const Row& r = rows[i];
        TemplateBytes t = Make(r.style, r.ordinalClass, r.face);
        t.bytes.resize(t.bytes.size() - r.cut);
        ui::TemplateFont font = {};
        int ok = ui::ReadTemplateFont(t.bytes.data(), static_cast<uint32_t>(t.bytes.size()), &font);
        EXPECT_EQ(r.ok, ok) << "row " << i;
        if (ok) {
            EXPECT_EQ(r.expectedFace, font.face) << "row " << i;
            EXPECT_EQ(8, font.points) << "row " << i;
            EXPECT_EQ(400, font.weight) << "row " << i;
            EXPECT_EQ(0, font.italic) << "row " << i;
            EXPECT_EQ(1, font.charset) << "row " << i;
        }
    }
    // A classic template (no 0xFFFF signature) is not read.
    TemplateBytes classic = Make(kPage, false, u"Arial");
    classic.bytes[2] = 0;
    ui::TemplateFont font = {};
    EXPECT_EQ(0, ui::ReadTemplateFont(classic.bytes.data(),
                                      static_cast<uint32_t>(classic.bytes.size()), &font));
}

}  // namespace
