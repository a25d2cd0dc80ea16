// The scenario's commands whose effect lives in a room: each hands its
// argument to the room that owns the state it changes.
#include "engine/limits.h"
#include "engine/main_window.h"

namespace zepa::engine {

using script::CommandArgs;

// Pictures and transitions.
void MainWindow::RunFlip(const CommandArgs&) { stage_.Flip(); }
void MainWindow::RunFade(const CommandArgs& args) { stage_.FadeToBuffer(args.numbers[0]); }
void MainWindow::RunFill(const CommandArgs& args) { stage_.FillCommand(args.color); }
void MainWindow::RunPic(const CommandArgs& args) { stage_.PicCommand(args.text); }
void MainWindow::RunPicture(const CommandArgs& args) { stage_.PictureCommand(args.text); }
void MainWindow::RunP(const CommandArgs& args) { stage_.PCommand(args.text); }
void MainWindow::RunBPic(const CommandArgs& args) { stage_.DrawPictureCommand(args.text, true); }
void MainWindow::RunBPicture(const CommandArgs& args) {
  stage_.DrawPictureCommand(args.text, false);
}
void MainWindow::RunFrame(const CommandArgs&) { stage_.DrawFrame(); }
void MainWindow::RunChara(const CommandArgs& args) { stage_.CharaCommand(args.text); }
void MainWindow::RunEndPic(const CommandArgs& args) { end_picture_ = Bounded(args.text, 512); }
void MainWindow::RunEnd(const CommandArgs&) { EndSequence(); }

// Drawing on the display.
void MainWindow::RunGDot(const CommandArgs& args) { stage_.DotCommand(args.numbers); }
void MainWindow::RunGLine(const CommandArgs& args) { stage_.LineCommand(args.numbers); }
void MainWindow::RunGSquare(const CommandArgs& args) { stage_.SquareCommand(args.numbers); }
void MainWindow::RunGCircle(const CommandArgs& args) { stage_.CircleCommand(args.numbers); }
void MainWindow::RunGEllipse(const CommandArgs& args) { stage_.EllipseCommand(args.numbers); }
void MainWindow::RunGbColor(const CommandArgs& args) { stage_.SetBrushColor(args.color); }
void MainWindow::RunGpColor(const CommandArgs& args) { stage_.SetPenColor(args.color); }

// Text.
void MainWindow::RunTextColor(const CommandArgs& args) { message_.SetTextColor(args.color); }
void MainWindow::RunBgTextColor(const CommandArgs& args) { message_.SetBgTextColor(args.color); }
void MainWindow::RunTextWait(const CommandArgs& args) { message_.SetTextWait(args.numbers[0]); }
void MainWindow::RunText(const CommandArgs& args) {
  PlayerTextShown(args.text);
  message_.ShowText(args.text, false);
}
void MainWindow::RunTextNw(const CommandArgs& args) {
  PlayerTextShown(args.text);
  message_.ShowText(args.text, true);
}
void MainWindow::RunTelo(const CommandArgs& args) { message_.Telo(args.text); }
void MainWindow::RunBText(const CommandArgs& args) { message_.BText(args.text); }

// Choices and input.
void MainWindow::RunSelectColor(const CommandArgs& args) { choices_.SetColor(args.color); }
void MainWindow::RunSelectBackColor(const CommandArgs& args) { choices_.SetBackColor(args.color); }
void MainWindow::RunSelectTextColor(const CommandArgs& args) { choices_.SetTextColor(args.color); }
void MainWindow::RunSel(const CommandArgs& args) { choices_.SelCommand(args.text); }
void MainWindow::RunMouse(const CommandArgs& args) { choices_.MouseCommand(args.text); }
void MainWindow::RunGet(const CommandArgs& args) { AskQuestion(args.text); }

// Sound.
void MainWindow::RunBgm(const CommandArgs& args) { sound_.BgmCommand(args.text); }
void MainWindow::RunCd(const CommandArgs& args) { sound_.CdCommand(args.numbers[0]); }
void MainWindow::RunWav(const CommandArgs& args) { sound_.WavCommand(args.text); }
void MainWindow::RunBgmFadeIn(const CommandArgs& args) {
  sound_.StartFade(args.text, sound::kFadeIn);
}
void MainWindow::RunBgmFadeOut(const CommandArgs& args) {
  sound_.StartFade(args.text, sound::kFadeOut);
}
void MainWindow::RunBgmFadeTime(const CommandArgs& args) {
  sound_.FadeTimeCommand(args.numbers[0]);
}
void MainWindow::RunBgmLoop(const CommandArgs& args) { sound_.set_music_loop(args.numbers[0]); }
void MainWindow::RunWavLoop(const CommandArgs& args) { sound_.set_effect_loop(args.numbers[0]); }
void MainWindow::RunEndBgm(const CommandArgs& args) { sound_.EndBgmCommand(args.text); }

}  // namespace zepa::engine
