#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <set>
#include <utility>

#include "GameArchive.h"
#include "GameEndings.h"
#include "LocalChangeFeed.h"
#include "net/ChatText.h"
#include "net/RecordReply.h"
#include "net/TableListReply.h"

namespace pimra::server {

namespace {

using nlohmann::json;

constexpr const char* kSuccess = "Success";
constexpr int kGameId = 1;
constexpr const char* kAppId = "pimra";
// Lines of a table's chat that "gettable" gives.
constexpr int kChatLinesShown = 50;
// Lines a login may say, at all its tables together, within a second and within a minute.
constexpr std::int64_t kChatSecondMs = 1000;
constexpr std::int64_t kChatMinuteMs = 60 * 1000;
constexpr int kChatLinesPerMinute = 20;
// How long a list is given again unchanged; other server processes' changes show after it.
constexpr std::int64_t kListReuseMs = 200;

// A request refused before anything changed; the text is the reply's "response".
struct Refusal {
    std::string reason;
};

namespace reason {
constexpr const char* kBadRequest = "Неверный запрос";
constexpr const char* kUnknownAction = "Неизвестное действие";
constexpr const char* kUnknownGame = "Неизвестная игра";
constexpr const char* kBadLogin = "Неверный логин или пароль";
constexpr const char* kTooManyLogins = "Слишком много попыток входа, подождите минуту";
constexpr const char* kTooManyRequests = "Слишком много запросов, подождите немного";
constexpr const char* kNotLoggedIn = "Вы не авторизованы";
constexpr const char* kBadTimeControl =
    "Время на партию от 60 до 7200 секунд, добавка от 0 до 300 секунд";
constexpr const char* kTooManyTables = "У вас слишком много незавершённых столов";
constexpr const char* kNoTable = "Стол не найден";
constexpr const char* kTableFull = "Стол занят";
constexpr const char* kAlreadySeated = "Вы уже сидите за этим столом";
constexpr const char* kNotSeated = "Вы не сидите за этим столом";
constexpr const char* kGameStarted = "Партия уже началась";
constexpr const char* kGameOver = "Партия завершена";
constexpr const char* kGameNotStarted = "Партия ещё не началась";
constexpr const char* kNotYourTurn = "Сейчас не ваш ход";
constexpr const char* kBadMove = "Недопустимый ход";
constexpr const char* kGameNotOver = "Партия ещё не завершена";
constexpr const char* kEmptyLine = "Пустое сообщение";
constexpr const char* kLongLine = "Сообщение длиннее 200 символов";
constexpr const char* kTooManyLines = "Слишком много сообщений, подождите немного";
constexpr const char* kServerError = "Ошибка сервера, попробуйте позже";
}  // namespace reason

json reply(const std::string& response) {
    return json{{"response", response}};
}

const std::string& field(const FormFields& fields, std::string_view name) {
    const auto it = fields.find(name);
    if (it == fields.end()) throw Refusal{reason::kBadRequest};
    return it->second;
}

// A decimal number of at most nine digits, so it fits an int.
int number(const FormFields& fields, std::string_view name) {
    const std::string& text = field(fields, name);
    if (text.empty() || text.size() > 9) throw Refusal{reason::kBadRequest};
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw Refusal{reason::kBadRequest};
        value = value * 10 + (c - '0');
    }
    return value;
}

void requireGame(const FormFields& fields) {
    if (field(fields, "gameid") != std::to_string(kGameId)) throw Refusal{reason::kUnknownGame};
}

void requireApp(const FormFields& fields) {
    if (field(fields, "appid") != kAppId) throw Refusal{reason::kUnknownGame};
}

std::optional<int> roundedRating(StoreTransaction& tx, const std::string& login) {
    if (login.empty()) return std::nullopt;
    return static_cast<int>(std::lround(GameArchive::playerOf(tx, login).rating));
}

net::FinishReason finishReason(GameFinish finish) {
    switch (finish) {
        case GameFinish::Moves:
            return net::FinishReason::Moves;
        case GameFinish::Time:
            return net::FinishReason::Time;
        case GameFinish::Resign:
            return net::FinishReason::Resign;
        case GameFinish::Agreement:
            return net::FinishReason::Agreement;
        case GameFinish::None:
            break;
    }
    return net::FinishReason::None;
}

net::TableResult tableResult(int result) {
    switch (result) {
        case 0:
            return net::TableResult::Running;
        case 1:
            return net::TableResult::Seat1Won;
        case 2:
            return net::TableResult::Seat2Won;
        default:
            return net::TableResult::Draw;
    }
}

TableRow requireTable(StoreTransaction& tx, int id) {
    auto table = tx.findTable(id);
    if (!table || table->gameId != kGameId) throw Refusal{reason::kNoTable};
    return *table;
}

}  // namespace

Engine::Engine(Store& store, const Clock& clock, Accounts& accounts, EngineSettings settings,
               ChangeFeed* feed)
    : store_(store),
      clock_(clock),
      ownFeed_(feed ? nullptr : std::make_unique<LocalChangeFeed>()),
      feed_(feed ? feed : ownFeed_.get()),
      accounts_(accounts),
      settings_(settings),
      rules_(settings.graceMs) {}

Engine::~Engine() {
    // A sweep still queued for the store would come back to this engine.
    std::unique_lock lock(sweepMutex_);
    sweepDone_.wait(lock, [&] { return !sweeping_; });
}

namespace {

std::string text(const json& reply) {
    return reply.dump(-1, ' ', false, json::error_handler_t::replace);
}

// A change whose reply does not depend on what it found.
std::function<json()> replyWith(const char* response) {
    return [response] { return reply(response); };
}

}  // namespace

void Engine::answer(std::string_view body, const std::string& address, Respond respond) {
    const auto fields = decodeFormBody(body);
    if (!fields) {
        respond(text(reply(reason::kBadRequest)));
        return;
    }
    answer(*fields, address, std::move(respond));
}

bool Engine::onlyChanges(const FormFields& fields) {
    static const std::set<std::string, std::less<>> changes = {
        "newtable", "regtable", "ready",  "move",      "leave",
        "rematch",  "alive",    "resign", "offerdraw", "say"};
    const auto action = fields.find("action");
    return action != fields.end() && changes.contains(action->second);
}

bool Engine::isList(const FormFields& fields) {
    const auto action = fields.find("action");
    return action != fields.end() && action->second == "tablelist";
}

std::string Engine::tooManyRequestsReply() {
    return text(reply(reason::kTooManyRequests));
}

std::string Engine::replyText(std::string_view response) {
    return text(reply(std::string(response)));
}

std::string Engine::successReply() {
    return replyText(kSuccess);
}

std::string Engine::badRequestReply() {
    return replyText(reason::kBadRequest);
}

std::string Engine::noTableReply() {
    return replyText(reason::kNoTable);
}

std::string Engine::serverErrorReply() {
    return replyText(reason::kServerError);
}

void Engine::answer(const FormFields& fields, const std::string& address, Respond respond) {
    Answer answer = act(fields, address);
    if (!answer.change) {
        respond(answer.madeText ? *answer.madeText : text(answer.reply));
        if (answer.background) runInBackground(std::move(answer.background));
        return;
    }
    auto recorded = std::make_shared<Recorded>();
    store_.writeThen(recording(std::move(answer.change), recorded),
                     [this, recorded, afterChange = std::move(answer.afterChange),
                      respond = std::move(respond)](const std::exception_ptr& error) {
                         ++changes_;
                         if (error) {
                             respond(text(failureReply(error)));
                             return;
                         }
                         try {
                             respond(text(afterChange()));
                         } catch (...) {
                             respond(text(failureReply(std::current_exception())));
                         }
                         announceAll(*recorded);
                     });
}

void Engine::runInBackground(Store::Work work) {
    // The outcome goes nowhere but the log: nobody waits for it.
    auto recorded = std::make_shared<Recorded>();
    store_.writeThen(recording(std::move(work), recorded),
                     [this, recorded](const std::exception_ptr& error) {
                         ++changes_;
                         if (error) {
                             failureReply(error);
                         } else {
                             announceAll(*recorded);
                         }
                         std::lock_guard lock(sweepMutex_);
                         sweeping_ = false;
                         sweepDone_.notify_all();
                     });
}

std::string Engine::answer(std::string_view body, const std::string& address) {
    const auto fields = decodeFormBody(body);
    return text(fields ? handle(*fields, address) : reply(reason::kBadRequest));
}

json Engine::handle(const FormFields& fields, const std::string& address) {
    Answer answer = act(fields, address);
    if (answer.background) runInBackground(std::move(answer.background));
    if (answer.madeText) return json::parse(*answer.madeText);
    if (!answer.change) return answer.reply;
    Recorded recorded;
    try {
        store_.write(recording(answer.change, std::shared_ptr<Recorded>(&recorded, [](auto*) {})));
        ++changes_;
    } catch (...) {
        ++changes_;
        return failureReply(std::current_exception());
    }
    announceAll(recorded);
    return answer.afterChange();
}

Store::Work Engine::recording(Store::Work work, std::shared_ptr<Recorded> recorded) {
    return [work = std::move(work), recorded = std::move(recorded)](StoreTransaction& tx) {
        TableChangeRecorder recorder(tx);
        work(recorder);
        // Only the attempt that ran whole counts: a store may run the work again.
        recorded->tables = recorder.changes();
        recorded->expired = recorder.expiredTables();
    };
}

namespace {

// A table gone, or (for the lobby's id) tables gone that are not named.
TableChange listChangeOf(std::string tableId) {
    TableChange change;
    change.event.tableId = std::move(tableId);
    change.listChanged = true;
    return change;
}

}  // namespace

// Runs on the store's thread once the change is durable: publishing must not throw into it.
void Engine::announceAll(const Recorded& recorded) {
    try {
        for (const RecordedChange& change : recorded.tables) {
            if (change.table) {
                announce(*change.table, change.listChanged);
            } else {
                feed_->publish(listChangeOf(std::to_string(change.tableId)));
            }
        }
        if (recorded.expired) feed_->publish(listChangeOf(std::string(net::kLobbyTableId)));
    } catch (const std::exception& error) {
        std::cerr << "pimra-server: publishing a change: " << error.what() << '\n';
    }
}

net::TableEvent Engine::eventOf(const TableRow& table) {
    const bool playing = table.status == TableStatus::Playing;
    net::TableEvent event;
    event.tableId = std::to_string(table.id);
    event.lastRecord = table.lastRecord;
    event.result = tableResult(table.result);
    event.activeLogin =
        playing ? (table.seatToMove == Side::Bottom ? table.login1 : table.login2) : "";
    return event;
}

void Engine::announce(const TableRow& table, bool listChanged) {
    TableChange change;
    change.event = eventOf(table);
    change.listChanged = listChanged;
    change.runsOutInMs = runsOutIn(table, clock_.nowMs());
    feed_->publish(change);
}

std::optional<std::int64_t> Engine::runsOutIn(const TableRow& table, std::int64_t nowMs) const {
    if (table.status != TableStatus::Playing) return std::nullopt;
    const Side seat = table.seatToMove;
    const std::int64_t graceMs = TableRules::graceUsed(table, seat) ? 0 : settings_.graceMs;
    return std::max<std::int64_t>(0, TableRules::remainingMs(table, seat, nowMs) + graceMs + 1);
}

Engine::ClockCheck Engine::checkClock(std::int64_t tableId) {
    const std::int64_t now = clock_.nowMs();
    std::optional<TableRow> table;
    store_.read([&](StoreTransaction& tx) { table = tx.findTable(tableId); });
    if (!table || table->gameId != kGameId) return {};
    if (TableRow settled = *table; !rules_.settleClock(settled, now)) {
        return {true, runsOutIn(*table, now), eventOf(*table)};
    }
    Recorded recorded;
    store_.write(recording(
        [this, tableId, now, &table](StoreTransaction& tx) {
            table = tx.findTable(tableId);
            if (table) settle(tx, *table, now);
        },
        std::shared_ptr<Recorded>(&recorded, [](auto*) {})));
    ++changes_;
    announceAll(recorded);
    if (!table) return {};
    return {true, runsOutIn(*table, now), eventOf(*table)};
}

Engine::Answer Engine::act(const FormFields& fields, const std::string& address) {
    using Handler = Answer (Engine::*)(const FormFields&);
    static const std::map<std::string, Handler, std::less<>> handlers = {
        {"tablelist", &Engine::tableList},
        {"newtable", &Engine::newTable},
        {"regtable", &Engine::regTable},
        {"gettable", &Engine::getTable},
        {"nextrecord", &Engine::nextRecord},
        {"ready", &Engine::ready},
        {"move", &Engine::move},
        {"leave", &Engine::leave},
        {"rematch", &Engine::rematch},
        {"alive", &Engine::alive},
        {"logout", &Engine::logout},
        {"resign", &Engine::resign},
        {"offerdraw", &Engine::offerDraw},
        {"say", &Engine::say},
    };
    try {
        const std::string& action = field(fields, "action");
        if (action == "login") return login(fields, address);
        const auto it = handlers.find(action);
        if (it == handlers.end()) return Answer{reply(reason::kUnknownAction), {}, {}};
        return (this->*(it->second))(fields);
    } catch (...) {
        return Answer{failureReply(std::current_exception()), {}, {}};
    }
}

json Engine::failureReply(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Refusal& refusal) {
        return reply(refusal.reason);
    } catch (const std::exception& failure) {
        std::cerr << "pimra-server: " << failure.what() << '\n';
    } catch (...) {
        std::cerr << "pimra-server: an unknown error\n";
    }
    return reply(reason::kServerError);
}

Engine::Seated Engine::requireSeat(StoreTransaction& tx, const SessionKey& session,
                                   int tableId) const {
    std::string login = requireLogin(tx, session);
    TableRow table = requireTable(tx, tableId);
    const std::optional<Side> seat = TableRules::seatOf(table, login);
    if (!seat) throw Refusal{reason::kNotSeated};
    return Seated{std::move(login), std::move(table), *seat};
}

Engine::SessionKey Engine::sessionOf(const FormFields& fields) {
    return SessionKey{field(fields, "sid"), field(fields, "code")};
}

std::string Engine::requireLogin(StoreTransaction& tx, const SessionKey& session) const {
    const auto login = accounts_.sessionLogin(tx, session.sid, session.code);
    if (!login) throw Refusal{reason::kNotLoggedIn};
    return *login;
}

Engine::Answer Engine::login(const FormFields& fields, const std::string& address) {
    const auto result = accounts_.logIn(field(fields, "login"), field(fields, "pass"), address);
    if (result.outcome == LoginResult::Outcome::Throttled) {
        return Answer{reply(reason::kTooManyLogins), {}, {}};
    }
    if (result.outcome != LoginResult::Outcome::LoggedIn) {
        return Answer{reply(reason::kBadLogin), {}, {}};
    }
    json answer = reply(kSuccess);
    answer["sid"] = result.session.sid;
    answer["code"] = result.session.code;
    return Answer{std::move(answer), {}, {}};
}

void Engine::removeStaleTables(StoreTransaction& tx, std::int64_t nowMs) const {
    tx.removeWaitingTablesChangedBefore(nowMs - settings_.waitingTableMs);
}

// A read: a flood of lists neither waits behind the changes nor holds them up. What it finds
// to tidy (expired tables, games lost on time) is left to a sweep that runs after the reply.
Engine::Answer Engine::tableList(const FormFields& fields) {
    requireGame(fields);
    const std::uint64_t changes = changes_.load();
    const std::int64_t now = clock_.nowMs();
    if (auto recent = recentList(changes, now)) return Answer{{}, {}, {}, {}, std::move(recent)};
    const std::int64_t since = now - settings_.finishedListedMs;
    net::TableListReply list;
    bool expired = false;
    std::vector<std::int64_t> lost;
    store_.read([&](StoreTransaction& tx) {
        list.tables.clear();
        expired = false;
        lost.clear();
        std::map<std::string, std::optional<int>> ratings;
        const auto rating = [&](const std::string& login) {
            auto it = ratings.find(login);
            if (it == ratings.end()) it = ratings.emplace(login, roundedRating(tx, login)).first;
            return it->second;
        };
        for (const TableRow& table : tx.listTables(kGameId, since, settings_.maxListedTables,
                                                   settings_.maxListedWaitingTablesPerPlayer)) {
            if (TableRules::hasExpired(table, now, settings_.waitingTableMs)) {
                expired = true;
                continue;
            }
            if (TableRow settled = table; rules_.settleClock(settled, now)) {
                lost.push_back(table.id);
            }
            list.tables.push_back({static_cast<int>(table.id), table.login1, table.login2,
                                   table.timeLimit, table.bonus, rating(table.login1),
                                   rating(table.login2)});
        }
    });
    json result = net::EncodeTableList(list);
    Answer answer{{}, {}, {}};
    if (!expired && lost.empty()) {
        answer.madeText = keepList(result, changes, now);
    } else {
        answer.reply = std::move(result);
    }
    if (expired || !lost.empty()) answer.background = sweep(std::move(lost), now);
    return answer;
}

std::shared_ptr<const std::string> Engine::recentList(std::uint64_t changes, std::int64_t nowMs) {
    std::lock_guard lock(listMutex_);
    if (!list_ || list_->changes != changes || nowMs < list_->madeMs ||
        nowMs - list_->madeMs >= kListReuseMs ||
        std::chrono::steady_clock::now() - list_->made >= std::chrono::milliseconds(kListReuseMs)) {
        return nullptr;
    }
    return list_->text;
}

// The list is kept written out: a flood of lists then costs a copy each, not a dump of
// hundreds of tables.
std::shared_ptr<const std::string> Engine::keepList(const json& reply, std::uint64_t changes,
                                                    std::int64_t nowMs) {
    auto written = std::make_shared<const std::string>(text(reply));
    std::lock_guard lock(listMutex_);
    list_ = ListCopy{written, changes, nowMs, std::chrono::steady_clock::now()};
    return written;
}

Store::Work Engine::sweep(std::vector<std::int64_t> lostOnTime, std::int64_t nowMs) {
    {
        std::lock_guard lock(sweepMutex_);
        if (std::exchange(sweeping_, true)) return {};
    }
    return [this, lostOnTime = std::move(lostOnTime), nowMs](StoreTransaction& tx) {
        removeStaleTables(tx, nowMs);
        // The list was read without holding the tables: each is read again, held.
        for (const std::int64_t id : lostOnTime) {
            if (auto held = tx.findTable(id)) settle(tx, *held, nowMs);
        }
    };
}

Engine::Answer Engine::newTable(const FormFields& fields) {
    requireGame(fields);
    const int timeLimit = number(fields, "timelimit");
    const int bonus = number(fields, "bonus");
    auto id = std::make_shared<std::int64_t>(0);
    auto change = [this, session = sessionOf(fields), timeLimit, bonus, id](StoreTransaction& tx) {
        const std::string login = requireLogin(tx, session);
        removeStaleTables(tx, clock_.nowMs());
        if (timeLimit < 60 || timeLimit > 7200 || bonus > 300) {
            throw Refusal{reason::kBadTimeControl};
        }
        if (tx.countUnfinishedTablesOf(login) >= settings_.maxUnfinishedTablesPerLogin) {
            throw Refusal{reason::kTooManyTables};
        }
        *id = tx.addTable(TableRules::newTable(login, timeLimit, bonus, clock_.nowMs()));
    };
    return Answer{{}, std::move(change), [id] {
                      json result = reply(kSuccess);
                      result["ind"] = std::to_string(*id);
                      return result;
                  }};
}

Engine::Answer Engine::regTable(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto change = [this, session = sessionOf(fields), id](StoreTransaction& tx) {
        const std::string login = requireLogin(tx, session);
        TableRow table = requireTable(tx, id);
        const std::int64_t now = clock_.nowMs();
        if (TableRules::hasExpired(table, now, settings_.waitingTableMs)) {
            tx.removeTable(table.id);
            throw Refusal{reason::kNoTable};
        }
        if (TableRules::seatOf(table, login)) throw Refusal{reason::kAlreadySeated};
        if (table.status == TableStatus::Finished) throw Refusal{reason::kGameOver};
        if (!table.login1.empty() && !table.login2.empty()) throw Refusal{reason::kTableFull};
        if (table.status == TableStatus::Playing) throw Refusal{reason::kGameStarted};
        if (tx.countUnfinishedTablesOf(login) >= settings_.maxUnfinishedTablesPerLogin) {
            throw Refusal{reason::kTooManyTables};
        }
        if (table.login1.empty()) {
            table.login1 = login;
        } else if (table.login2.empty()) {
            table.login2 = login;
        } else {
            throw Refusal{reason::kTableFull};
        }
        table.changedMs = now;
        tx.updateTable(table);
    };
    return Answer{{}, std::move(change), replyWith(kSuccess)};
}

net::TableReply Engine::describeTable(const TableRow& table, std::int64_t nowMs) const {
    const bool playing = table.status == TableStatus::Playing;
    net::TableReply result;
    result.position = table.position;
    result.seat1.login = table.login1;
    result.seat2.login = table.login2;
    for (const Side side : {Side::Bottom, Side::Top}) {
        result.seat(side).seconds =
            static_cast<int>(TableRules::reportedSeconds(table, side, nowMs));
    }
    result.activeLogin = playing ? result.seat(table.seatToMove).login : "";
    result.seat1.ready = table.ready1;
    result.seat2.ready = table.ready2;
    result.result = tableResult(table.result);
    result.lastRecord = table.lastRecord;
    return result;
}

Engine::Answer Engine::getTable(const FormFields& fields) {
    requireApp(fields);
    const int id = number(fields, "tableid");
    const std::int64_t now = clock_.nowMs();
    TableRow table;
    net::TableReply result;
    store_.read([&](StoreTransaction& tx) {
        table = requireTable(tx, id);
        result = describeTable(table, now);
        describeActivity(tx, table, now, result);
    });
    if (TableRules::hasExpired(table, now, settings_.waitingTableMs)) {
        return Answer{{},
                      [this, now](StoreTransaction& tx) { removeStaleTables(tx, now); },
                      replyWith(reason::kNoTable)};
    }
    TableRow settled = table;
    if (!rules_.settleClock(settled, now)) return Answer{net::EncodeTableReply(result), {}, {}};
    // Polls only read; the rare flag on time takes the write path and reads afresh.
    auto described = std::make_shared<net::TableReply>();
    auto change = [this, id, now, described](StoreTransaction& tx) {
        TableRow held = requireTable(tx, id);
        settle(tx, held, now);
        *described = describeTable(held, now);
        describeActivity(tx, held, now, *described);
    };
    return Answer{{}, std::move(change), [described] { return net::EncodeTableReply(*described); }};
}

void Engine::describeActivity(StoreTransaction& tx, const TableRow& table, std::int64_t nowMs,
                              net::TableReply& result) const {
    const TableActivity activity = tx.findActivity(table.id);
    const auto away = [&](std::int64_t seenMs) {
        return seenMs != 0 && seenMs < nowMs - settings_.awayAfterMs;
    };
    const auto outcome =
        table.status == TableStatus::Finished ? tx.findGameOutcome(table.id) : std::nullopt;
    result.seat1.rating = roundedRating(tx, table.login1);
    result.seat2.rating = roundedRating(tx, table.login2);
    result.finish = outcome ? finishReason(outcome->finish) : net::FinishReason::None;
    result.seat1.away = away(activity.seen1Ms);
    result.seat2.away = away(activity.seen2Ms);
    result.seat1.rematch = activity.rematch1;
    result.seat2.rematch = activity.rematch2;
    if (activity.nextTableId != 0) result.nextTable = static_cast<int>(activity.nextTableId);
    result.seat1.drawOffer = GameEndings::offerStands(table, activity, Side::Bottom);
    result.seat2.drawOffer = GameEndings::offerStands(table, activity, Side::Top);
    result.chat.emplace();
    for (ChatEntry& line : tx.chatOf(table.id, kChatLinesShown)) {
        result.chat->push_back({line.id, std::move(line.login), std::move(line.text),
                                line.saidMs / 1000, line.player});
    }
}

void Engine::markSeen(StoreTransaction& tx, const TableRow& table, Side seat, std::int64_t nowMs) {
    TableActivity activity = tx.findActivity(table.id);
    (seat == Side::Bottom ? activity.seen1Ms : activity.seen2Ms) = nowMs;
    tx.saveActivity(table.id, activity);
}

void Engine::markMoved(StoreTransaction& tx, const TableRow& table, Side seat, std::int64_t nowMs) {
    TableActivity activity = tx.findActivity(table.id);
    (seat == Side::Bottom ? activity.seen1Ms : activity.seen2Ms) = nowMs;
    GameEndings::moved(activity);
    tx.saveActivity(table.id, activity);
}

void Engine::gameEnded(StoreTransaction& tx, const TableRow& table, GameFinish finish) {
    GameArchive::recordEnd(tx, table, finish);
}

bool Engine::settle(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const {
    if (!rules_.settleClock(table, nowMs)) return false;
    tx.updateTable(table);
    gameEnded(tx, table, GameFinish::Time);
    return true;
}

Engine::Answer Engine::nextRecord(const FormFields& fields) {
    requireApp(fields);
    const int ind = number(fields, "ind");
    const int id = number(fields, "tableid");
    std::optional<Record> record;
    store_.read([&](StoreTransaction& tx) {
        requireTable(tx, id);
        record = tx.recordAfter(id, ind);
    });
    net::RecordReply result{record ? record->ind : ind, std::nullopt};
    if (record) result.move = record->pit;
    return Answer{net::EncodeRecordReply(result), {}, {}};
}

Engine::Answer Engine::ready(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto change = [this, session = sessionOf(fields), id](StoreTransaction& tx) {
        auto [login, table, seat] = requireSeat(tx, session, id);
        if (table.status == TableStatus::Finished) throw Refusal{reason::kGameOver};
        const std::int64_t now = clock_.nowMs();
        if (TableRules::hasExpired(table, now, settings_.waitingTableMs)) {
            throw Refusal{reason::kNoTable};
        }
        markSeen(tx, table, seat, now);
        if (table.status == TableStatus::Playing) return;  // already ready: nothing to do
        bool& isReady = seat == Side::Bottom ? table.ready1 : table.ready2;
        // Pressed again, it changes nothing, and so does not keep the table from expiring.
        if (isReady) return;
        isReady = true;
        table.changedMs = now;
        TableRules::startIfReady(table, now);
        tx.updateTable(table);
    };
    return Answer{{}, std::move(change), replyWith(kSuccess)};
}

bool Engine::lostOnTime(StoreTransaction& tx, TableRow& table, std::int64_t nowMs) const {
    // The loss on time is kept although the request is refused.
    return settle(tx, table, nowMs);
}

Engine::Answer Engine::move(const FormFields& fields) {
    const int id = number(fields, "tableid");
    const int pit = number(fields, "move");
    // The move is timed when its request came in, not when its turn at the store comes: the
    // wait for the store is not the player's. Changes of one store run in the order they came.
    const std::int64_t received = clock_.nowMs();
    auto outcome = std::make_shared<const char*>(kSuccess);
    auto change = [this, session = sessionOf(fields), id, pit, received,
                   outcome](StoreTransaction& tx) {
        *outcome = kSuccess;
        auto [login, table, seat] = requireSeat(tx, session, id);
        const std::int64_t now = std::max(received, table.turnStartedMs);
        if (lostOnTime(tx, table, now)) {
            *outcome = reason::kGameOver;
            return;
        }
        if (table.status == TableStatus::Waiting) throw Refusal{reason::kGameNotStarted};
        if (table.status == TableStatus::Finished) throw Refusal{reason::kGameOver};
        if (table.seatToMove != seat) throw Refusal{reason::kNotYourTurn};
        if (!TableRules::isPitOfSeat(pit, seat)) throw Refusal{reason::kBadMove};
        const auto record = TableRules::playMove(table, pit, now);
        if (!record) throw Refusal{reason::kBadMove};
        tx.addRecord(table.id, *record);
        tx.updateTable(table);
        markMoved(tx, table, seat, now);
        if (table.status == TableStatus::Finished) gameEnded(tx, table, GameFinish::Moves);
    };
    return Answer{{}, std::move(change), [outcome] { return reply(*outcome); }};
}

Engine::Answer Engine::leave(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto outcome = std::make_shared<const char*>(kSuccess);
    auto change = [this, session = sessionOf(fields), id, outcome](StoreTransaction& tx) {
        *outcome = kSuccess;
        auto [login, table, seat] = requireSeat(tx, session, id);
        if (lostOnTime(tx, table, clock_.nowMs())) {
            *outcome = reason::kGameOver;
            return;
        }
        if (table.status == TableStatus::Finished) throw Refusal{reason::kGameOver};
        if (table.status == TableStatus::Playing) throw Refusal{reason::kGameStarted};
        TableRules::vacateSeat(table, seat, clock_.nowMs());
        if (table.login1.empty() && table.login2.empty()) {
            tx.removeTable(table.id);
        } else {
            tx.updateTable(table);
        }
    };
    return Answer{{}, std::move(change), [outcome] { return reply(*outcome); }};
}

Engine::Answer Engine::rematch(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto nextId = std::make_shared<std::int64_t>(0);
    auto change = [this, session = sessionOf(fields), id, nextId](StoreTransaction& tx) {
        auto [login, table, seat] = requireSeat(tx, session, id);
        const std::int64_t now = clock_.nowMs();
        settle(tx, table, now);
        if (table.status != TableStatus::Finished) throw Refusal{reason::kGameNotOver};
        TableActivity activity = tx.findActivity(table.id);
        (seat == Side::Bottom ? activity.seen1Ms : activity.seen2Ms) = now;
        if (activity.nextTableId == 0) {
            if (tx.countUnfinishedTablesOf(login) >= settings_.maxUnfinishedTablesPerLogin) {
                throw Refusal{reason::kTooManyTables};
            }
            (seat == Side::Bottom ? activity.rematch1 : activity.rematch2) = true;
            if (activity.rematch1 && activity.rematch2) {
                // The same time control with the seats swapped; both must be ready again.
                TableRow next =
                    TableRules::newTable(table.login2, table.timeLimit, table.bonus, now);
                next.login2 = table.login1;
                activity.nextTableId = tx.addTable(next);
            }
        }
        tx.saveActivity(table.id, activity);
        *nextId = activity.nextTableId;
    };
    return Answer{{}, std::move(change), [nextId] {
                      json result = reply(kSuccess);
                      result["tableid"] = *nextId != 0 ? std::to_string(*nextId) : "";
                      return result;
                  }};
}

Engine::Answer Engine::alive(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto change = [this, session = sessionOf(fields), id](StoreTransaction& tx) {
        const auto [login, table, seat] = requireSeat(tx, session, id);
        markSeen(tx, table, seat, clock_.nowMs());
    };
    return Answer{{}, std::move(change), replyWith(kSuccess)};
}

std::optional<Engine::SeatAtGame> Engine::runningGameOf(StoreTransaction& tx,
                                                        const SessionKey& session, int id,
                                                        std::int64_t nowMs,
                                                        const char*& outcome) const {
    const std::string login = requireLogin(tx, session);
    TableRow table = requireTable(tx, id);
    const std::optional<Side> seated = TableRules::seatOf(table, login);
    if (!seated) throw Refusal{reason::kNotSeated};
    if (lostOnTime(tx, table, nowMs)) {
        outcome = reason::kGameOver;
        return std::nullopt;
    }
    switch (GameEndings::refusalFor(table)) {
        case GameEndings::Refusal::NotStarted:
            throw Refusal{reason::kGameNotStarted};
        case GameEndings::Refusal::Over:
            throw Refusal{reason::kGameOver};
        case GameEndings::Refusal::None:
            break;
    }
    return SeatAtGame{std::move(table), *seated};
}

// A change to the running game at the request's table by one of its players, at `now`: the
// request's arrival, or the turn's start if that came later.
Engine::Answer Engine::atRunningGame(const FormFields& fields, GameChange act) {
    const int id = number(fields, "tableid");
    const std::int64_t received = clock_.nowMs();
    auto outcome = std::make_shared<const char*>(kSuccess);
    auto change = [this, session = sessionOf(fields), id, received, outcome,
                   act = std::move(act)](StoreTransaction& tx) {
        *outcome = kSuccess;
        auto game = runningGameOf(tx, session, id, received, *outcome);
        if (!game) return;
        act(tx, *game, std::max(received, game->table.turnStartedMs));
    };
    return Answer{{}, std::move(change), [outcome] { return reply(*outcome); }};
}

Engine::Answer Engine::resign(const FormFields& fields) {
    return atRunningGame(fields, [this](StoreTransaction& tx, SeatAtGame& game, std::int64_t now) {
        GameEndings::resign(game.table, game.seat, now);
        tx.updateTable(game.table);
        markSeen(tx, game.table, game.seat, now);
        gameEnded(tx, game.table, GameFinish::Resign);
    });
}

Engine::Answer Engine::offerDraw(const FormFields& fields) {
    return atRunningGame(fields, [this](StoreTransaction& tx, SeatAtGame& game, std::int64_t now) {
        TableActivity activity = tx.findActivity(game.table.id);
        (game.seat == Side::Bottom ? activity.seen1Ms : activity.seen2Ms) = now;
        const bool drawn = GameEndings::offerDraw(game.table, activity, game.seat, now);
        tx.saveActivity(game.table.id, activity);
        if (!drawn) return;
        tx.updateTable(game.table);
        gameEnded(tx, game.table, GameFinish::Agreement);
    });
}

// A line in the table's chat by anyone logged in: its players and its spectators alike.
Engine::Answer Engine::say(const FormFields& fields) {
    const int id = number(fields, "tableid");
    auto cleaned = net::CleanChatText(field(fields, "text"));
    if (const auto* problem = std::get_if<net::ChatTextProblem>(&cleaned)) {
        switch (*problem) {
            case net::ChatTextProblem::Empty:
                throw Refusal{reason::kEmptyLine};
            case net::ChatTextProblem::TooLong:
                throw Refusal{reason::kLongLine};
            case net::ChatTextProblem::NotUtf8:
                break;
        }
        throw Refusal{reason::kBadRequest};
    }
    auto change = [this, session = sessionOf(fields), id,
                   text = std::get<std::string>(std::move(cleaned))](StoreTransaction& tx) {
        const std::string login = requireLogin(tx, session);
        const TableRow table = requireTable(tx, id);
        const std::int64_t now = clock_.nowMs();
        if (TableRules::hasExpired(table, now, settings_.waitingTableMs)) {
            throw Refusal{reason::kNoTable};
        }
        // The limits hold across server processes: the store counts the lines themselves.
        if (tx.countChatLinesOf(login, now - kChatSecondMs + 1) > 0 ||
            tx.countChatLinesOf(login, now - kChatMinuteMs + 1) >= kChatLinesPerMinute) {
            throw Refusal{reason::kTooManyLines};
        }
        const bool player = TableRules::seatOf(table, login).has_value();
        tx.addChatLine(table.id, {0, login, text, now, player});
    };
    return Answer{{}, std::move(change), replyWith(kSuccess)};
}

// The session ends at once: it is marked unused since long before any session's lifetime
// and dropped as unused, with the store's own session calls.
Engine::Answer Engine::logout(const FormFields& fields) {
    auto change = [this, session = sessionOf(fields)](StoreTransaction& tx) {
        constexpr std::int64_t kEnded = std::numeric_limits<std::int64_t>::min() / 2;
        const std::string login = requireLogin(tx, session);
        tx.touchSession(session.sid, kEnded);
        tx.trimSessions(login, Accounts::kMaxSessionsPerLogin, kEnded + 1);
    };
    return Answer{{}, std::move(change), replyWith(kSuccess)};
}

}  // namespace pimra::server
