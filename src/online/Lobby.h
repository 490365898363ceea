#pragma once

#include <optional>
#include <string>
#include <vector>

#include "net/FormEncoding.h"
#include "net/Reply.h"
#include "net/Session.h"
#include "online/TableList.h"

namespace pimra::online {

using net::FieldText;
using net::Reply;
using net::Request;
using net::Session;

inline constexpr const char* kNotAuthorizedText = "Вы не авторизованы!";
inline constexpr const char* kLoginCharsetText =
    "Логин и пароль могут содержать только буквы русского и латинского алфавита, цифры и "
    "знаки, которые есть в кодировке Windows-1251.";

// What "bInput" (or a double click on the list) does with the current row.
enum class InputAction {
    Nothing,        // no real table selected
    NotAuthorized,  // joining needs a login: show kNotAuthorizedText, send nothing
    Join,           // send the join request; open the table only when it succeeds
    Open,           // open the table without a request: own table, or watching
};

// The lobby's login state (status pane, login button, "Создать стол").
struct LobbyStatus {
    std::string statusPane;
    std::string loginButton;
    bool createEnabled = false;
};

// Caption of "bInput" for a row's seats.
std::string InputCaption(const std::string& login1, const std::string& login2,
                         const std::string& ownLogin);
InputAction InputActionFor(const TableRow& row, const Session& session);

LobbyStatus UpdateStatus(const Session& session);
// The main window's caption after a login.
std::string MainWindowCaption(const Session& session);

// A login or password the server's character set cannot carry is refused with this message.
std::optional<std::string> LoginRefusal(const std::string& login, const std::string& password);

// "Создать стол": the dialog's minutes (1..120) and its bonus text as typed.
Request NewTableRequestFromDialog(const Session& session, int minutes,
                                  const std::string& bonusText);

// The table list with its current row.
class Lobby {
  public:
    // Loads a "tablelist" reply, or empties the list when the request failed (null).
    // The last row becomes the current one.
    void Load(const Reply* reply);

    const std::vector<TableRow>& Rows() const { return rows_; }
    std::optional<std::size_t> Current() const { return current_; }
    void Select(std::size_t row);

    // Always the caption of the row that is selected now.
    std::string Caption(const Session& session) const;
    InputAction Input(const Session& session) const;
    // The table the current row stands for, 0 when there is none.
    int CurrentTableId() const;
    Request JoinRequest(const Session& session) const;

  private:
    const TableRow& CurrentRow() const;

    std::vector<TableRow> rows_;
    std::optional<std::size_t> current_;
};

}  // namespace pimra::online
