// Frequency plans in the panel: the field takes the RF, the board gets the output.
#include "panel/register_text.h"
#include "support/panel_test.h"

namespace korvane::testing {
namespace {

TEST_F(PanelTest, APlanTakesTheRfInTheFieldAndKeepsTheOutputForTheBoard) {
  Connect();
  const struct {
    Slot slot;
    const char* multiplier;
    const char* offset;
    const char* rf;      // typed into the field
    const char* output;  // what the slot holds for the board and the files
    bool isNumber;
  } cases[] = {
      {Slot::SigGen, "2", "144", "10368.1", "5112.050", true},  // 3 cm transverter LO below the signal, x2
      {Slot::F2, "3", "-28", "1268", "432.000", true},          // LO above the signal
      {Slot::F1, "1", "-0,5", "432,5", "433.000", true},        // decimal commas
      {Slot::F3, "4", "0", "1296.1", "324.025", true},
      {Slot::F4, "2", "144", "12a", "12a", false},  // no number stays no number: marked, nothing sent
  };
  for (const auto& c : cases) {
    ASSERT_EQ(dlg.OnPlanChosen(c.slot, c.multiplier, c.offset), std::nullopt) << c.rf;
    dlg.OnFrequencyEdited(c.slot, c.rf);
    EXPECT_EQ(model().slot(c.slot).rf, c.rf);
    EXPECT_EQ(model().slot(c.slot).frequency, c.output) << c.rf;
    EXPECT_EQ(model().Settings().freqSlots[static_cast<size_t>(c.slot)].frequency, c.output) << c.rf;
    EXPECT_EQ(model().slot(c.slot).isNumber, c.isNumber) << c.rf;
  }

  // A plan set or removed keeps the output: only what the field shows changes.
  ASSERT_EQ(dlg.OnPlanChosen(Slot::F2, "2", "100"), std::nullopt);
  EXPECT_EQ(model().slot(Slot::F2).frequency, "432.000");
  EXPECT_EQ(model().slot(Slot::F2).rf, "964.000000");
  dlg.OnPlanRemoved(Slot::F2);
  EXPECT_EQ(model().slot(Slot::F2).plan, FrequencyPlan{});
  EXPECT_EQ(model().slot(Slot::F2).rf, "432.000");
  // A slot loaded with a plan shows the RF of its output.
  panelModel.SetSlot(Slot::F2, {"432.000", Band::Out1, PowerLevel::Off, {}, FrequencyPlan{3, -28.0}, {}});
  EXPECT_EQ(model().slot(Slot::F2).rf, "1268.000000");
}

TEST_F(PanelTest, WithAPlanTheBoardGetsTheOutputAndTheWindowShowsBothWithTheErrorAtRf) {
  Connect();
  surface.FireTimer();
  // The same output typed without a plan: what the board must get, and its real frequency and error.
  dlg.OnFrequencyEdited(Slot::SigGen, "1297");
  surface.FireTimer();
  const std::string words = demo.Entry('4');
  const double real = *model().slot(Slot::SigGen).realMhz;
  const double errorHz = *model().slot(Slot::SigGen).errorHz;
  ASSERT_NE(errorHz, 0.0);
  dlg.OnFrequencyEdited(Slot::SigGen, "1000");
  surface.FireTimer();
  ASSERT_NE(demo.Entry('4'), words);

  ASSERT_EQ(dlg.OnPlanChosen(Slot::SigGen, "2", "144"), std::nullopt);
  dlg.OnFrequencyEdited(Slot::SigGen, "2738");  // 2 x 1297 + 144
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('4'), words);
  const panel::SlotState& sg = model().slot(Slot::SigGen);
  EXPECT_EQ(sg.realMhz, real);
  EXPECT_EQ(sg.rfRealMhz, 2 * real + 144);
  EXPECT_EQ(sg.rfErrorHz, 2 * errorHz);
  EXPECT_EQ(model().slot(Slot::SigGen).realLabel,
            "/ " + FormatFixed(2 * real + 144, 6, 5) + " RF, output " + FormatFixed(real, 6));
  EXPECT_EQ(sg.errorText.find(FormatFixed(2 * errorHz, 1)), 0u) << sg.errorText;
  EXPECT_NE(sg.errorText.find("from 2738.000000 MHz RF (output " + FormatFixed(real, 6) + " MHz, x2 +144.000000 MHz)"),
            std::string::npos)
      << sg.errorText;
  EXPECT_EQ(model().givenText(), FormatFixed(2 * real + 144, 6) + " MHz RF (" + FormatFixed(2 * errorHz, 1) +
                                     " Hz), output " + FormatFixed(real, 6) + " MHz");
  EXPECT_NE(panel::RegisterText(model().Settings(), Slot::SigGen).find("RF 2738.000000 MHz, plan x2 +144.000000 MHz"),
            std::string::npos);

  // The arrows step the RF the field shows; the output follows.
  surface.FocusFrequency(Slot::SigGen);
  surface.SetCaret(Slot::SigGen, 4);
  EXPECT_TRUE(surface.PreTranslateMessage(Key::Up, false));
  EXPECT_EQ(model().slot(Slot::SigGen).rf, "2739.000000");
  EXPECT_EQ(model().slot(Slot::SigGen).frequency, "1297.500");
}

}  // namespace
}  // namespace korvane::testing
