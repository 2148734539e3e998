#pragma once

#include <QString>

namespace tavik::dictation {

// Where the controller stands. Two failed states are equal when their messages are.
class State {
public:
    enum class Kind { loading, idle, recording, transcribing, failed };

    static State loading() { return State(Kind::loading); }
    static State idle() { return State(Kind::idle); }
    static State recording() { return State(Kind::recording); }
    static State transcribing() { return State(Kind::transcribing); }
    static State failed(const QString& message) { return State(Kind::failed, message); }

    Kind kind() const { return kind_; }
    QString message() const { return message_; }
    bool is(Kind kind) const { return kind_ == kind; }

    // The form log lines print: `idle`, `failed("Microphone unavailable")`.
    QString toLogString() const;

    bool operator==(const State& other) const = default;

private:
    explicit State(Kind kind, QString message = {}) : kind_(kind), message_(std::move(message)) {}
    Kind kind_;
    QString message_;
};

// Numbers in log lines never follow the user's locale: "0.40", never "0,40".
QString fixed(double value, int decimals);

} // namespace tavik::dictation
