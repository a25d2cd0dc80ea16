#include "check/checker.h"
#include "display/packfile.h"

namespace zepa::engine::check_detail {

void Checker::NoteMessageWindowUse(const std::string& file, size_t line, std::string_view command) {
  auto mark = [&](FirstUse& use) {
    if (!use.seen()) use = {file, line};
  };
  if (command == "text" || command == "textnw" || command == "sel") mark(first_text_);
  if (command == "sel") mark(first_choice_);
  if (command == "mouse") mark(first_mouse_);
  if (command == "pic" || command == "p" || command == "frame") mark(first_frame_);
}

std::optional<std::string> Checker::MissingWindowPicture(std::string_view name) {
  const std::string path = paths_.Resolve(name);
  if (InPack(std::string(display::BareName(path)))) return std::nullopt;
  bool empty = false;
  if (FileOnDisk(path, &empty)) {
    if (!empty) return std::nullopt;
    return "picture " + Quoted(Shown(path)) + " is an empty file";
  }
  return MissingMessage("picture", name, path, true);
}

void Checker::CheckMessageWindowFiles() {
  // The frame is drawn by the picture commands but matters under the text,
  // so it is reported where the first text is shown.
  if (first_frame_.seen()) {
    const FirstUse& at = first_text_.seen() ? first_text_ : first_frame_;
    const std::string where =
        first_text_.seen() ? "; first needed under the text here" : "; first drawn here";
    struct Part {
      std::string_view name, role;
    };
    for (const Part& part : {Part{"frame\\frame2.bmp", "the mask that shades the message strip"},
                             Part{"frame\\frame.bmp", "the message window's frame picture"}})
      if (auto missing = MissingWindowPicture(part.name))
        Error(at.file, at.line, std::string(part.role) + ": " + *missing + where);
  }
  // A missing icon is the game's own choice: the built-in one is drawn.
  if (!options_.strict) return;
  struct Icon {
    std::string_view name, role;
    const FirstUse& use;
  };
  for (const Icon& icon : {Icon{"wait_next.bmp", "the wait icon for more text", first_text_},
                           Icon{"wait_ent.bmp", "the wait icon at the end of a text", first_text_},
                           Icon{"wait_q.bmp", "the wait icon of a choice", first_choice_},
                           Icon{"wait_mouse.bmp", "the wait icon of [mouse]", first_mouse_}})
    if (icon.use.seen())
      if (auto missing = MissingWindowPicture(icon.name))
        Note(icon.use.file, icon.use.line,
             std::string(icon.role) + ": " + *missing + "; the built-in icon is used");
}

}  // namespace zepa::engine::check_detail
