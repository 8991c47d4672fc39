// "Search Field Properties": what it takes back and what it refuses.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "frame/DlgSearchArea.h"
#include "platform/Prompt.h"

namespace {

void Type(QWidget& dlg, const char* id, const QString& text) {
    auto* e = dlg.findChild<QLineEdit*>(id);
    ASSERT_NE(e, nullptr) << id;
    e->setText(text);
}

}  // namespace

// A band or point spacing of no width would collapse the field onto a line.
TEST(DlgSearchArea, TakesPositiveSpacingsAndRefusesOthersWithTheFieldFocused) {
    CScriptedPrompter prompter;
    const struct {
        const char* band;
        const char* distance;
        const char* heading;
        const char* refusedId;  // null: taken
        const char* message;
    } rows[] = {
        {"200", "0.5", "45", nullptr, nullptr},
        {"-150", "100", "0", "1202", "Please enter a number greater than 0."},
        {"0", "100", "0", "1202", "Please enter a number greater than 0."},
        {"150", "-1", "0", "1203", "Please enter a number greater than 0."},
        {"150", "0", "0", "1203", "Please enter a number greater than 0."},
        {"wide", "100", "0", "1202", "Please enter a number."},
        {"150", "100", "4.5", "1204", "Please enter an integer."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.band) + " " + r.distance);
        prompter.texts.clear();
        CDlgSearchArea dlg;
        dlg.m_BandWidth = 150;
        dlg.m_PointDistance = 100;
        dlg.m_HeadingEditable = true;
        dlg.UpdateData(false);
        Type(dlg, "1202", r.band);
        Type(dlg, "1203", r.distance);
        Type(dlg, "1204", r.heading);
        dlg.show();
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, r.refusedId == nullptr);
        if (!r.refusedId) {
            EXPECT_TRUE(prompter.texts.empty());
            EXPECT_EQ(dlg.m_BandWidth, 200);
            EXPECT_EQ(dlg.m_PointDistance, 0.5);
            EXPECT_EQ(dlg.m_Heading, 45);
            continue;
        }
        EXPECT_EQ(prompter.texts, std::vector<std::string>{r.message});
        EXPECT_TRUE(dlg.isVisible());  // still open for a new value
        EXPECT_EQ(dlg.m_BandWidth, 150);
        EXPECT_EQ(dlg.m_PointDistance, 100);
        ASSERT_NE(dlg.focusWidget(), nullptr);
        EXPECT_EQ(dlg.focusWidget()->objectName(), r.refusedId);
    }
}
