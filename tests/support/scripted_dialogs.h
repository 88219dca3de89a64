// A Dialogs service for tests: records every text shown and answers from a
// script given in advance.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialogs.h"

namespace testing_support {

class ScriptedDialogs final : public platform::ui::Dialogs {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> OpenFile(const platform::ui::OpenFileRequest& request) override {
        open_requests.push_back(request);
        if (open_answers.empty()) return std::nullopt;
        std::optional<std::string> answer = open_answers.front();
        open_answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::vector<platform::ui::OpenFileRequest> open_requests;
    // Answers of the open dialog in order; nothing (or an empty script) cancels.
    std::deque<std::optional<std::string>> open_answers;
};

}  // namespace testing_support
