// Services for widget tests: a Dialogs that records every text shown and
// answers from a script given in advance, a Shell that records what it was
// asked to do, and the fixture that puts them in place.
#pragma once

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form.h"
#include "platform/ui/shell.h"

namespace testing_support {

class ScriptedDialogs final : public platform::ui::Dialogs {
public:
    void ShowMessage(const std::string& text) override {
        Box([&] { messages.push_back(text); });
    }
    void ShowError(const std::string& text) override {
        Box([&] { errors.push_back(text); });
    }
    bool AskYesNo(const std::string& text, platform::ui::DefaultAnswer default_answer) override {
        return Box([&] {
            questions.push_back(text);
            question_defaults.push_back(default_answer);
            return Next(yes_no_answers).value_or(false);
        });
    }
    std::optional<std::string> OpenFile(const platform::ui::OpenFileRequest& request) override {
        open_requests.push_back(request);
        return Next(open_answers).value_or(std::nullopt);
    }
    std::optional<std::string> SaveFile(const platform::ui::SaveFileRequest& request) override {
        save_requests.push_back(request);
        return Next(save_answers).value_or(std::nullopt);
    }
    std::optional<std::string> SelectFolder(const std::string& caption,
                                            const std::string& start) override {
        folder_requests.push_back({caption, start});
        return Next(folder_answers).value_or(std::nullopt);
    }
    std::optional<platform::Color> ChooseColor(platform::Color initial) override {
        colour_requests.push_back(initial);
        return Next(colour_answers).value_or(std::nullopt);
    }

    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    // The default button of each question, in the same order.
    std::vector<platform::ui::DefaultAnswer> question_defaults;
    std::vector<platform::ui::OpenFileRequest> open_requests;
    std::vector<platform::ui::SaveFileRequest> save_requests;
    std::vector<std::pair<std::string, std::string>> folder_requests;
    std::vector<platform::Color> colour_requests;
    // Answers in order; an empty script answers No or cancels.
    std::deque<bool> yes_no_answers;
    std::deque<std::optional<std::string>> open_answers;
    std::deque<std::optional<std::string>> save_answers;
    std::deque<std::optional<std::string>> folder_answers;
    std::deque<std::optional<platform::Color>> colour_answers;
    // Runs while a box is open, as the event loop does under a real one.
    std::function<void()> while_open;
    // How many boxes are open now, and the most that ever were at once.
    int depth = 0;
    int deepest = 0;

private:
    template <typename F>
    std::invoke_result_t<F> Box(F answer) {
        deepest = std::max(deepest, ++depth);
        const auto closed = qScopeGuard([this] { --depth; });
        if (while_open) while_open();
        return answer();
    }

    template <typename T>
    static std::optional<T> Next(std::deque<T>& script) {
        if (script.empty()) return std::nullopt;
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};

class RecordingShell final : public platform::ui::Shell {
public:
    bool MoveToTrash(const std::string& path) override {
        trashed.push_back(path);
        return trash_succeeds;
    }
    void OpenUrl(const std::string& url) override { urls.push_back(url); }
    bool StartProgram(const std::string& program,
                      const std::vector<std::string>& arguments) override {
        started.push_back({program, arguments});
        return true;
    }

    bool trash_succeeds = true;
    std::vector<std::string> trashed;
    std::vector<std::string> urls;
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

// A widget test on scripted dialogs; the windows it leaves and the shell it
// records with go after it.
class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogues = scripted.get();
        platform::ui::Application::Current().SetDialogs(std::move(scripted));
    }
    void TearDown() override {
        DeleteForms();
        platform::ui::Application& app = platform::ui::Application::Current();
        app.SetDialogs(std::make_unique<platform::ui::QtDialogs>());
        app.SetShell(std::make_unique<platform::ui::QtShell>());
    }

    // Puts a recording shell in place of the desktop's.
    RecordingShell& RecordShell() {
        auto shell = std::make_unique<RecordingShell>();
        RecordingShell& recording = *shell;
        platform::ui::Application::Current().SetShell(std::move(shell));
        return recording;
    }

    // Deletes every window, the last made first, as the end of a run does.
    static void DeleteForms() {
        const std::vector<platform::ui::Form*> forms = platform::ui::Application::Current().Forms();
        for (auto form = forms.rbegin(); form != forms.rend(); ++form) delete *form;
    }

    ScriptedDialogs* dialogues = nullptr;
};

}  // namespace testing_support
