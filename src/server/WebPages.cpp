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

}  // namespace

std::string sitePage(std::string_view title, std::string_view head, std::string_view body) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    html += htmlEscape(title);
    html += "</title>\n<style>";
    html += kStyle;
    html += "</style>\n";
    html += head;
    html +=
        "</head>\n<body>\n"
        "<nav><a href=\"/info.html\">Об игре</a><a href=\"/rules.html\">Правила</a>"
        "<a href=\"/ru/reg\">Регистрация</a></nav>\n";
    html += body;
    html += "\n</body>\n</html>\n";
    return html;
}

namespace {

std::string page(std::string_view title, std::string_view body) {
    return sitePage(title, "", body);
}

}  // namespace

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
                                 std::string_view csrfToken) {
    std::string body = "<h1>Регистрация в игре «Пимра»</h1>\n";
    if (!error.empty()) {
        body += "<p class=\"error\" id=\"error\">" + htmlEscape(error) + "</p>\n";
    }
    body +=
        "<form method=\"post\" action=\"/ru/reg\" accept-charset=\"UTF-8\">\n"
        "<input type=\"hidden\" name=\"csrf\" value=\"";
    body += htmlEscape(csrfToken);
    body +=
        "\">\n"
        "<label for=\"login\">Логин (не длиннее 20 символов):</label>\n"
        "<input id=\"login\" name=\"login\" maxlength=\"20\" autocomplete=\"username\" value=\"";
    body += htmlEscape(login);
    body +=
        "\" required>\n"
        "<label for=\"password\">Пароль:</label>\n"
        "<input id=\"password\" name=\"password\" type=\"password\" "
        "autocomplete=\"new-password\" required>\n"
        "<label for=\"repeat\">Пароль ещё раз:</label>\n"
        "<input id=\"repeat\" name=\"repeat\" type=\"password\" autocomplete=\"new-password\" "
        "required>\n"
        "<p><button type=\"submit\" id=\"submit\">Зарегистрироваться</button></p>\n"
        "</form>\n";
    return page("Регистрация — Пимра", body);
}

std::string registrationDonePage(std::string_view login) {
    return page("Регистрация — Пимра",
                "<h1>Регистрация в игре «Пимра»</h1>\n<p class=\"done\" id=\"done\">"
                "Регистрация прошла успешно. Войдите в игре под логином «" +
                    htmlEscape(login) + "» в окне «Игра Online».</p>");
}

std::string rulesPage() {
    return page("Правила игры — Пимра", R"html(<h1>Правила игры «Пимра»</h1>
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
тот проиграл. Игрок первого места играет нижним рядом и ходит первым.</p>)html");
}

std::string infoPage() {
    return page("Об игре — Пимра", R"html(<h1>Пимра</h1>
<p>«Пимра» — настольная игра семейства манкала для двоих: игра с компьютером на пяти уровнях
и игра по сети с другими людьми на игровом сервере.</p>
<p>Чтобы играть по сети, <a href="/ru/reg">зарегистрируйтесь</a>, затем в программе откройте
меню «Игра Online», войдите под своим логином, создайте стол или сядьте за свободный.</p>
<p><a href="/rules.html">Правила игры</a></p>)html");
}

std::string errorPage(int status) {
    std::string text;
    switch (status) {
        case 400:
            text = "Неверный запрос.";
            break;
        case 403:
            text =
                "Форма устарела или отправлена с чужого сайта. Откройте страницу регистрации "
                "заново.";
            break;
        case 404:
            text = "Такой страницы нет.";
            break;
        case 413:
            text = "Запрос слишком велик.";
            break;
        case 415:
            text = "Сжатые запросы не принимаются.";
            break;
        case 431:
            text = "Заголовки запроса слишком велики.";
            break;
        default:
            text = "Ошибка сервера, попробуйте позже.";
    }
    return page("Ошибка " + std::to_string(status) + " — Пимра",
                "<h1>Ошибка " + std::to_string(status) + "</h1>\n<p class=\"error\" id=\"error\">" +
                    htmlEscape(text) + "</p>");
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
               "' 'self'; script-src 'self'; form-action 'self'; frame-ancestors 'none'; "
               "base-uri 'none'";
    }();
    return policy;
}

}  // namespace pimra::server
