#include <gtest/gtest.h>

#include <set>

#include "TestServer.h"
#include "server/RegistrationRefusal.h"
#include "server/WebPages.h"

namespace pimra::server::test {
namespace {

using WebPagesHttpTest = ServerTest;

struct Form {
    std::string login, password, repeat;
};

TEST_F(WebPagesHttpTest, RegistrationPageCreatesAnAccountTheClientCanLogInWith) {
    auto c = client();
    const auto form = c.get("/ru/reg");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->status, 200);
    EXPECT_NE(form->header("Content-Type").find("utf-8"), std::string::npos);
    EXPECT_NE(form->body.find("<form method=\"post\" action=\"/ru/reg\""), std::string::npos);

    const auto done = c.registration("Пётр 1", "тайна", "тайна");
    ASSERT_TRUE(done);
    EXPECT_NE(done->body.find("Регистрация прошла успешно"), std::string::npos);
    const auto login =
        c.engine({{"action", "login"}, {"login", "Пётр 1"}, {"pass", clientDigest("тайна")}});
    EXPECT_EQ(login["response"], "Success");

    // Only a password hash of the digest is kept.
    server_->store().read([](StoreTransaction& tx) {
        const auto account = tx.findAccount("Пётр 1");
        ASSERT_TRUE(account);
        EXPECT_EQ(account->passwordHash.rfind("$argon2id$", 0), 0u);
        EXPECT_EQ(account->passwordHash.find(clientDigest("тайна")), std::string::npos);
    });
}

TEST_F(WebPagesHttpTest, RegistrationPageExplainsEveryRefusal) {
    auto c = client();
    c.registration("taken", "p", "p");
    const std::vector<std::pair<Form, std::string>> cases = {
        {Form{"taken", "p", "p"}, "Этот логин уже занят."},
        {Form{"TAKEN", "p", "p"}, "Этот логин или похожий на него уже занят."},
        {Form{"taken ", "p", "p"}, "Логин не может начинаться или кончаться пробелом"},
        {Form{"a  b", "p", "p"}, "Логин не может начинаться или кончаться пробелом"},
        {Form{"tаken", "p", "p"}, "Логин должен быть написан буквами одного алфавита"},
        {Form{std::string(21, 'x'), "p", "p"}, "Логин длиннее 20 символов."},
        {Form{"日本", "p", "p"}, "Логин может содержать только"},
        {Form{"ann", "p", "q"}, "Пароли не совпадают."},
        {Form{"ann", "", ""}, "Введите пароль."},
        {Form{"", "p", "p"}, "Введите логин."},
        {Form{"a\tb", "p", "p"}, "Логин может содержать только буквы, цифры"},
        {Form{"a&b", "p", "p"}, "Логин может содержать только буквы, цифры"},
    };
    for (const auto& [body, message] : cases) {
        const auto page = c.registration(body.login, body.password, body.repeat);
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find("class=\"error\" id=\"error\">" + message), std::string::npos)
            << message;
    }
    // Twenty Cyrillic letters are twenty characters, not forty bytes.
    const std::string twenty = "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ";
    EXPECT_NE(c.registration(twenty, "p", "p")->body.find("успешно"), std::string::npos);
}

TEST_F(WebPagesHttpTest, LoginsAreEscapedOnEveryPage) {
    auto c = client();
    const std::string evil = "<b>\"x'&";
    const auto refused = c.registration(evil, "p", "q");
    EXPECT_EQ(refused->body.find(evil), std::string::npos);
    EXPECT_NE(refused->body.find("value=\"&lt;b&gt;&quot;x&#39;&amp;\""), std::string::npos);
    const auto done = c.registration(evil, "p", "p");
    EXPECT_EQ(done->body.find(evil), std::string::npos);
    EXPECT_NE(done->body.find("&lt;b&gt;"), std::string::npos);
}

TEST_F(WebPagesHttpTest, RulesAndInfoPagesAreServed) {
    auto c = client();
    const auto rules = c.get("/rules.html");
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->status, 200);
    EXPECT_NE(rules->body.find("Правила игры"), std::string::npos);
    EXPECT_NE(rules->body.find("больше 36 камней"), std::string::npos);
    const auto info = c.get("/info.html");
    EXPECT_EQ(info->status, 200);
    EXPECT_NE(info->body.find("href=\"/ru/reg\""), std::string::npos);
    EXPECT_EQ(c.get("/nothing.html")->status, 404);
}

TEST_F(WebPagesHttpTest, EnglishRegistrationCreatesAnAccountAndRefusesInEnglish) {
    auto c = client();
    const auto form = c.get("/en/reg");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->status, 200);
    EXPECT_NE(form->body.find("<html lang=\"en\">"), std::string::npos);
    EXPECT_NE(form->body.find("<form method=\"post\" action=\"/en/reg\""), std::string::npos);
    EXPECT_NE(form->body.find("Password again:"), std::string::npos);
    EXPECT_NE(form->body.find("href=\"/ru/reg\" hreflang=\"ru\""), std::string::npos);
    // The browser sends the cookie back only to the page it was set for.
    EXPECT_NE(form->header("Set-Cookie").find("; Path=/en/reg;"), std::string::npos);
    EXPECT_NE(c.get("/ru/reg")->header("Set-Cookie").find("; Path=/ru/reg;"), std::string::npos);

    const auto done = c.registration("Mary", "secret", "secret", "/en/reg");
    ASSERT_TRUE(done);
    EXPECT_NE(done->body.find("You are registered. In the game, log in as “Mary”"),
              std::string::npos);
    EXPECT_EQ(
        c.engine(
            {{"action", "login"}, {"login", "Mary"}, {"pass", clientDigest("secret")}})["response"],
        "Success");

    const std::vector<std::pair<Form, std::string>> cases = {
        {Form{"Mary", "p", "p"}, "This login is already taken."},
        {Form{"MARY", "p", "p"}, "This login or one like it is already taken."},
        {Form{"ann", "p", "q"}, "The passwords do not match."},
        {Form{"", "p", "p"}, "Enter a login."},
    };
    for (const auto& [body, message] : cases) {
        const auto page = c.registration(body.login, body.password, body.repeat, "/en/reg");
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find("class=\"error\" id=\"error\">" + message), std::string::npos)
            << message;
        EXPECT_NE(page->body.find("action=\"/en/reg\""), std::string::npos);
    }
    // The Russian page still answers in Russian.
    EXPECT_NE(c.registration("Mary", "p", "p")->body.find("Этот логин уже занят."),
              std::string::npos);
}

TEST_F(WebPagesHttpTest, EnglishFormRefusesATokenItDidNotGetTheCookieFor) {
    auto c = client();
    const auto form = c.get("/en/reg");
    ASSERT_TRUE(form);
    const std::string cookie = form->header("Set-Cookie");
    const std::string token =
        cookie.substr(cookie.find('=') + 1, cookie.find(';') - cookie.find('=') - 1);
    const std::string fields = "login=eve&password=p&repeat=p";
    const auto refused = c.postRaw("/en/reg", "csrf=" + formValue(token) + "&" + fields);
    EXPECT_EQ(refused->status, 403);
    // The refusal speaks the form's language: English here, Russian on the Russian form.
    EXPECT_NE(refused->body.find("<html lang=\"en\">"), std::string::npos);
    EXPECT_NE(refused->body.find("<h1>Error 403</h1>"), std::string::npos);
    EXPECT_NE(refused->body.find("The form is out of date"), std::string::npos);
    EXPECT_EQ(refused->body.find("Форма"), std::string::npos);
    const auto broken = c.postRaw("/en/reg", "csrf=%zz&" + fields);
    EXPECT_EQ(broken->status, 400);
    EXPECT_NE(broken->body.find("Bad request."), std::string::npos);
    EXPECT_NE(c.postRaw("/ru/reg", fields)->body.find("Форма устарела"), std::string::npos);
    EXPECT_NE(c.get("/en/nothing.html")->body.find("There is no such page."), std::string::npos);
    EXPECT_NE(c.get("/nothing.html")->body.find("Такой страницы нет."), std::string::npos);
    EXPECT_EQ(c.postRaw("/en/reg/", "csrf=" + formValue(token) + "&" + fields,
                        "application/x-www-form-urlencoded", "Cookie: pimra_csrf=" + token + "\r\n")
                  ->status,
              200);
}

TEST_F(WebPagesHttpTest, EnglishRulesAndInfoPagesLinkToTheirRussianOnes) {
    auto c = client();
    const auto rules = c.get("/en/rules.html");
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->status, 200);
    EXPECT_NE(rules->body.find("<h1>Rules of Pimra</h1>"), std::string::npos);
    EXPECT_NE(rules->body.find("more than\n36 stones"), std::string::npos);
    EXPECT_NE(rules->body.find("href=\"/rules.html\" hreflang=\"ru\" lang=\"ru\" "
                               "id=\"language\">Русский</a>"),
              std::string::npos);
    const auto info = c.get("/en/info.html");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->status, 200);
    EXPECT_NE(info->body.find("<a href=\"/en/reg\">register</a>"), std::string::npos);
    EXPECT_NE(info->body.find("href=\"/info.html\" hreflang=\"ru\""), std::string::npos);
    EXPECT_EQ(info->body.find("Об игре"), std::string::npos);

    // The Russian pages link to the English ones the same way.
    EXPECT_NE(c.get("/rules.html")->body.find("href=\"/en/rules.html\" hreflang=\"en\""),
              std::string::npos);
    EXPECT_NE(c.get("/info.html")->body.find("id=\"language\">English</a>"), std::string::npos);
    EXPECT_EQ(c.get("/en/nothing.html")->status, 404);
}

TEST(RegistrationRefusalTest, EveryRefusalHasItsOwnEnglishText) {
    std::set<std::string> texts;
    for (int i = static_cast<int>(RegistrationError::EmptyLogin);
         i <= static_cast<int>(RegistrationError::TooManyRegistrations); ++i) {
        const auto error = static_cast<RegistrationError>(i);
        const std::string english = registrationRefusal(error, SiteLanguage::English);
        EXPECT_FALSE(english.empty()) << i;
        EXPECT_TRUE(texts.insert(english).second) << english;
        EXPECT_EQ(registrationRefusal(error, SiteLanguage::Russian), registrationErrorText(error));
    }
}

}  // namespace
}  // namespace pimra::server::test
