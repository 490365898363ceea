#include "online/Lobby.h"

#include "net/Cp1251.h"
#include "net/Requests.h"

namespace pimra::online {

using namespace pimra::net;

std::string InputCaption(const std::string& login1, const std::string& login2,
                         const std::string& ownLogin) {
    const bool sitting = login1 == ownLogin || login2 == ownLogin;
    if (sitting) {
        return "Вход в игру";
    }
    if (login1.empty() || login2.empty()) {
        return "Сесть за стол";
    }
    return "Смотреть игру";
}

InputAction InputActionFor(const TableRow& row, const Session& session) {
    if (row.Ind() <= 0) {
        return InputAction::Nothing;
    }
    const std::string& own = session.OwnLogin;
    const bool join =
        (row.login1 != own && row.login2.empty()) || (row.login2 != own && row.login1.empty());
    if (!join) {
        return InputAction::Open;
    }
    return session.LoggedIn() ? InputAction::Join : InputAction::NotAuthorized;
}

LobbyStatus UpdateStatus(const Session& session) {
    if (session.LoggedIn()) {
        return {session.OwnLogin, "Сменить аккаунт", true};
    }
    return {kNotAuthorizedText, "Авторизация", false};
}

std::string MainWindowCaption(const Session& session) {
    if (!session.LoggedIn() && session.OwnLogin.empty()) {
        return "Пимра";
    }
    return "Пимра - " + session.OwnLogin;
}

std::optional<std::string> LoginRefusal(const std::string& login, const std::string& password) {
    if (FitsCp1251(login) && FitsCp1251(password)) {
        return std::nullopt;
    }
    return std::string(kLoginCharsetText);
}

Request NewTableRequestFromDialog(const Session& session, int minutes,
                                  const std::string& bonusText) {
    return NewTableRequest(session, minutes * 60, bonusText);
}

void Lobby::Load(const Reply* reply) {
    rows_ = reply != nullptr ? ParseTableList(*reply) : std::vector<TableRow>{};
    current_.reset();
    if (!rows_.empty()) {
        current_ = rows_.size() - 1;
    }
}

void Lobby::Select(std::size_t row) {
    if (row < rows_.size()) {
        current_ = row;
    }
}

const TableRow& Lobby::CurrentRow() const {
    static const TableRow kNoRow;
    return current_ ? rows_[*current_] : kNoRow;
}

std::string Lobby::Caption(const Session& session) const {
    const TableRow& row = CurrentRow();
    return InputCaption(row.login1, row.login2, session.OwnLogin);
}

InputAction Lobby::Input(const Session& session) const {
    return InputActionFor(CurrentRow(), session);
}

int Lobby::CurrentTableId() const {
    return CurrentRow().Ind();
}

Request Lobby::JoinRequest(const Session& session) const {
    return RegTableRequest(CurrentTableId(), session);
}

}  // namespace pimra::online
