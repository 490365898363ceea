#include "WebPages.h"

#include <sodium.h>

#include <array>

namespace pimra::server {

namespace {

const char* const kStyle =
    "\n"
    "body{font-family:sans-serif;max-width:42em;margin:2em auto;padding:0 1em;"
    "line-height:1.5;color:#222}\n"
    "label{display:block;margin-top:.8em}\ninput{font-size:1em;padding:.2em}\n"
    ".error{color:#b00000;font-weight:bold}\n.done{color:#006000;font-weight:bold}\n"
    "nav a{margin-right:1em}\n";

// The words and addresses of the pages that exist in both languages.
struct SiteTexts {
    std::string_view code;
    std::string_view name;
    std::string_view registrationPath, rulesPath, infoPath;
    std::string_view navInfo, navRules, navRegistration;
    std::string_view registrationTitle, registrationHeading;
    std::string_view loginLabel, passwordLabel, repeatLabel, submit;
    std::string_view doneBefore, doneAfter;
    std::string_view rulesTitle, rulesBody;
    std::string_view infoTitle, infoBody;
};

const SiteTexts kRussian{
    .code = "ru",
    .name = "Русский",
    .registrationPath = "/ru/reg",
    .rulesPath = "/rules.html",
    .infoPath = "/info.html",
    .navInfo = "Об игре",
    .navRules = "Правила",
    .navRegistration = "Регистрация",
    .registrationTitle = "Регистрация — Пимра",
    .registrationHeading = "Регистрация в игре «Пимра»",
    .loginLabel = "Логин (не длиннее 20 символов):",
    .passwordLabel = "Пароль:",
    .repeatLabel = "Пароль ещё раз:",
    .submit = "Зарегистрироваться",
    .doneBefore = "Регистрация прошла успешно. Войдите в игре под логином «",
    .doneAfter = "» в окне «Игра Online».",
    .rulesTitle = "Правила игры — Пимра",
    .rulesBody = R"html(<h1>Правила игры «Пимра»</h1>
<p>Игра идёт на доске из двенадцати лунок и двух «домов». У каждого игрока свой ряд из шести
лунок и дом справа от своего ряда. В начале в каждой лунке по 6 камней, дома пусты.</p>
<h2>Ход</h2>
<p>Игрок берёт все камни из любой непустой лунки своего ряда и раскладывает их по одному
в следующие лунки против часовой стрелки: по своему ряду вправо, в свой дом, по ряду соперника
и дальше по кругу. Дом соперника пропускается.</p>
<ul>
<li>Если последний камень попал в свой дом, игрок ходит ещё раз.</li>
<li>Если последний камень попал в пустую лунку своего ряда, а в лунке соперника напротив есть
камни, игрок забирает в свой дом и эти камни, и свой последний камень.</li>
<li>Иначе ход переходит к сопернику.</li>
</ul>
<h2>Конец партии</h2>
<p>Партия кончается, когда у игрока, который должен ходить, не осталось камней в ряду
(тогда соперник забирает камни своего ряда в свой дом), или когда в одном из домов оказалось
больше 36 камней. Побеждает тот, у кого в доме больше камней; при равенстве — ничья.</p>
<h2>Игра по сети</h2>
<p>У каждого игрока свои часы. Время идёт у того, кто должен ходить; после передачи хода
сопернику игроку добавляется увеличение, заданное при создании стола. У кого время кончилось,
тот проиграл. Игрок первого места играет нижним рядом и ходит первым.</p>)html",
    .infoTitle = "Об игре — Пимра",
    .infoBody = R"html(<h1>Пимра</h1>
<p>«Пимра» — настольная игра семейства манкала для двоих: игра с компьютером на пяти уровнях
и игра по сети с другими людьми на игровом сервере.</p>
<p>Чтобы играть по сети, <a href="/ru/reg">зарегистрируйтесь</a>, затем в программе откройте
меню «Игра Online», войдите под своим логином, создайте стол или сядьте за свободный.</p>
<p><a href="/rules.html">Правила игры</a></p>)html",
};

const SiteTexts kEnglish{
    .code = "en",
    .name = "English",
    .registrationPath = "/en/reg",
    .rulesPath = "/en/rules.html",
    .infoPath = "/en/info.html",
    .navInfo = "About",
    .navRules = "Rules",
    .navRegistration = "Registration",
    .registrationTitle = "Registration — Pimra",
    .registrationHeading = "Registration for Pimra",
    .loginLabel = "Login (at most 20 characters):",
    .passwordLabel = "Password:",
    .repeatLabel = "Password again:",
    .submit = "Register",
    .doneBefore = "You are registered. In the game, log in as “",
    .doneAfter = "” in the “Online game” window.",
    .rulesTitle = "Rules — Pimra",
    .rulesBody = R"html(<h1>Rules of Pimra</h1>
<p>The game is played on a board of twelve pits and two “houses”. Each player has a row of six
pits and a house to the right of that row. At the start every pit holds 6 stones and the houses
are empty.</p>
<h2>A move</h2>
<p>The player takes all the stones from any non-empty pit in their row and sows them one by one
into the following pits counterclockwise: rightwards along their own row, into their own house,
along the opponent's row and on round the board. The opponent's house is skipped.</p>
<ul>
<li>If the last stone lands in the player's own house, the player moves again.</li>
<li>If the last stone lands in an empty pit of the player's own row and the opponent's pit
opposite holds stones, the player puts those stones and the last stone into their own house.</li>
<li>Otherwise the turn passes to the opponent.</li>
</ul>
<h2>End of the game</h2>
<p>The game ends when the player to move has no stones left in their row (the opponent then
puts the stones of their own row into their house), or when one of the houses holds more than
36 stones. The player with more stones in their house wins; equal houses are a draw.</p>
<h2>Playing online</h2>
<p>Each player has their own clock. Only the clock of the player to move runs; on passing the
turn to the opponent, a player gets the increment chosen when the table was created. A player
whose time runs out loses. The player in the first seat plays the bottom row and moves
first.</p>)html",
    .infoTitle = "About — Pimra",
    .infoBody = R"html(<h1>Pimra</h1>
<p>Pimra is a board game of the mancala family for two: play against the computer at five
levels, or online against other people on the game server.</p>
<p>To play online, <a href="/en/reg">register</a>, then open the “Online game” menu in the
program, log in, and create a table or sit down at a free one.</p>
<p><a href="/en/rules.html">Rules of the game</a></p>)html",
};

const SiteTexts& textsOf(SiteLanguage language) {
    return language == SiteLanguage::English ? kEnglish : kRussian;
}

const SiteTexts& otherThan(SiteLanguage language) {
    return language == SiteLanguage::English ? kRussian : kEnglish;
}

enum class PageKind { Registration, Rules, Info };

std::string_view pathOf(const SiteTexts& texts, PageKind kind) {
    switch (kind) {
        case PageKind::Registration:
            return texts.registrationPath;
        case PageKind::Rules:
            return texts.rulesPath;
        case PageKind::Info:
            return texts.infoPath;
    }
    return texts.infoPath;
}

std::string anchor(std::string_view path, std::string_view text) {
    return "<a href=\"" + std::string(path) + "\">" + std::string(text) + "</a>";
}

std::string navigation(const SiteTexts& texts) {
    return anchor(texts.infoPath, texts.navInfo) + anchor(texts.rulesPath, texts.navRules) +
           anchor(texts.registrationPath, texts.navRegistration);
}

std::string htmlPage(std::string_view code, std::string_view title, std::string_view head,
                     std::string_view nav, std::string_view body) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"" + std::string(code) +
                       "\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, "
                       "initial-scale=1\">\n<title>";
    html += htmlEscape(title);
    html += "</title>\n<style>";
    html += kStyle;
    html += "</style>\n";
    html += head;
    html += "</head>\n<body>\n<nav>";
    html += nav;
    html += "</nav>\n";
    html += body;
    html += "\n</body>\n</html>\n";
    return html;
}

// A page that exists in both languages; its navigation ends with the same page in the other.
std::string languagePage(SiteLanguage language, PageKind kind, std::string_view title,
                         std::string_view body) {
    const SiteTexts& texts = textsOf(language);
    const SiteTexts& other = otherThan(language);
    const std::string toOther = "<a href=\"" + std::string(pathOf(other, kind)) + "\" hreflang=\"" +
                                std::string(other.code) + "\" lang=\"" + std::string(other.code) +
                                "\" id=\"language\">" + std::string(other.name) + "</a>";
    return htmlPage(texts.code, title, "", navigation(texts) + toOther, body);
}

}  // namespace

std::string sitePage(std::string_view title, std::string_view head, std::string_view body) {
    return htmlPage(kRussian.code, title, head, navigation(kRussian), body);
}

std::string_view registrationPath(SiteLanguage language) {
    return textsOf(language).registrationPath;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string registrationFormPage(std::string_view login, std::string_view error,
                                 std::string_view csrfToken, SiteLanguage language) {
    const SiteTexts& t = textsOf(language);
    std::string body = "<h1>" + std::string(t.registrationHeading) + "</h1>\n";
    if (!error.empty()) {
        body += "<p class=\"error\" id=\"error\">" + htmlEscape(error) + "</p>\n";
    }
    body += "<form method=\"post\" action=\"" + std::string(t.registrationPath) +
            "\" accept-charset=\"UTF-8\">\n<input type=\"hidden\" name=\"csrf\" value=\"";
    body += htmlEscape(csrfToken);
    body += "\">\n<label for=\"login\">" + std::string(t.loginLabel) +
            "</label>\n"
            "<input id=\"login\" name=\"login\" maxlength=\"20\" autocomplete=\"username\" "
            "value=\"";
    body += htmlEscape(login);
    body += "\" required>\n<label for=\"password\">" + std::string(t.passwordLabel) +
            "</label>\n"
            "<input id=\"password\" name=\"password\" type=\"password\" "
            "autocomplete=\"new-password\" required>\n"
            "<label for=\"repeat\">" +
            std::string(t.repeatLabel) +
            "</label>\n"
            "<input id=\"repeat\" name=\"repeat\" type=\"password\" autocomplete=\"new-password\" "
            "required>\n"
            "<p><button type=\"submit\" id=\"submit\">" +
            std::string(t.submit) + "</button></p>\n</form>\n";
    return languagePage(language, PageKind::Registration, t.registrationTitle, body);
}

std::string registrationDonePage(std::string_view login, SiteLanguage language) {
    const SiteTexts& t = textsOf(language);
    return languagePage(language, PageKind::Registration, t.registrationTitle,
                        "<h1>" + std::string(t.registrationHeading) +
                            "</h1>\n<p class=\"done\" id=\"done\">" + std::string(t.doneBefore) +
                            htmlEscape(login) + std::string(t.doneAfter) + "</p>");
}

std::string rulesPage(SiteLanguage language) {
    const SiteTexts& t = textsOf(language);
    return languagePage(language, PageKind::Rules, t.rulesTitle, t.rulesBody);
}

std::string infoPage(SiteLanguage language) {
    const SiteTexts& t = textsOf(language);
    return languagePage(language, PageKind::Info, t.infoTitle, t.infoBody);
}

namespace {

struct ErrorTexts {
    std::string_view title;  // "Ошибка 404"
    std::string_view badRequest, staleForm, noPage, tooLarge, compressed, headersTooLarge,
        serverError;
};

const ErrorTexts kRussianErrors{
    .title = "Ошибка ",
    .badRequest = "Неверный запрос.",
    .staleForm =
        "Форма устарела или отправлена с чужого сайта. Откройте страницу регистрации "
        "заново.",
    .noPage = "Такой страницы нет.",
    .tooLarge = "Запрос слишком велик.",
    .compressed = "Сжатые запросы не принимаются.",
    .headersTooLarge = "Заголовки запроса слишком велики.",
    .serverError = "Ошибка сервера, попробуйте позже.",
};

const ErrorTexts kEnglishErrors{
    .title = "Error ",
    .badRequest = "Bad request.",
    .staleForm =
        "The form is out of date or was sent from another site. Open the registration "
        "page again.",
    .noPage = "There is no such page.",
    .tooLarge = "The request is too large.",
    .compressed = "Compressed requests are not accepted.",
    .headersTooLarge = "The request's headers are too large.",
    .serverError = "Server error, try again later.",
};

std::string_view errorText(const ErrorTexts& t, int status) {
    switch (status) {
        case 400:
            return t.badRequest;
        case 403:
            return t.staleForm;
        case 404:
            return t.noPage;
        case 413:
            return t.tooLarge;
        case 415:
            return t.compressed;
        case 431:
            return t.headersTooLarge;
        default:
            return t.serverError;
    }
}

}  // namespace

std::string errorPage(int status, SiteLanguage language) {
    const bool english = language == SiteLanguage::English;
    const ErrorTexts& t = english ? kEnglishErrors : kRussianErrors;
    const SiteTexts& site = textsOf(language);
    const std::string heading = std::string(t.title) + std::to_string(status);
    const std::string body = "<h1>" + heading + "</h1>\n<p class=\"error\" id=\"error\">" +
                             htmlEscape(errorText(t, status)) + "</p>";
    return htmlPage(site.code, heading + (english ? " — Pimra" : " — Пимра"), "", navigation(site),
                    body);
}

const std::string& pageSecurityPolicy() {
    static const std::string policy = [] {
        std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
        const std::string_view style(kStyle);
        crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(style.data()),
                           style.size());
        std::string base64(sodium_base64_ENCODED_LEN(digest.size(), sodium_base64_VARIANT_ORIGINAL),
                           '\0');
        sodium_bin2base64(base64.data(), base64.size(), digest.data(), digest.size(),
                          sodium_base64_VARIANT_ORIGINAL);
        base64.pop_back();
        return "default-src 'none'; style-src 'sha256-" + base64 +
               "' 'self'; script-src 'self'; connect-src 'self'; form-action 'self'; "
               "frame-ancestors 'none'; "
               "base-uri 'none'";
    }();
    return policy;
}

}  // namespace pimra::server
