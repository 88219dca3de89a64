// The desktop's services: the trash, the browser, starting another program,
// the clipboard. Behind one interface, so that tests can record what the
// windows asked of it.
#pragma once

#include <string>
#include <vector>

namespace platform {
class Graphic;
}

namespace platform::ui {

class Shell {
public:
    virtual ~Shell() = default;

    // Moves a file to the desktop's trash; false when it could not.
    virtual bool MoveToTrash(const std::string& path) = 0;
    // Opens an address (a web page, a file) with the desktop's program for it.
    virtual void OpenUrl(const std::string& url) = 0;
    // Starts a program with its arguments, each one argument whatever it
    // holds; false when it could not be started.
    virtual bool StartProgram(const std::string& program,
                              const std::vector<std::string>& arguments) = 0;
};

class QtShell final : public Shell {
public:
    bool MoveToTrash(const std::string& path) override;
    void OpenUrl(const std::string& url) override;
    bool StartProgram(const std::string& program,
                      const std::vector<std::string>& arguments) override;
};

// Puts the picture on the clipboard as an image and, for a class that names a
// clipboard format of its own, its file under that format as well.
void CopyToClipboard(const platform::Graphic& graphic);

}  // namespace platform::ui
