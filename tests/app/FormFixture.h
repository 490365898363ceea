#pragma once

#include <QTest>

#include <memory>

#include "FakeUiServices.h"
#include "MainMenu.h"
#include "TLunka.h"
#include "TestForm.h"

namespace pimra::test {

// Waits until the window has nothing running any more: no move, turn, hint or request.
inline bool waitUntilIdle(const TestForm& form, int timeoutMs = 60000) {
    return QTest::qWaitFor([&form] { return !form.isBusy(); }, timeoutMs);
}

// A shown main window at full speed with a recording desktop, made anew for every test.
class FormFixture {
  protected:
    void openForm() {
        ui_ = std::make_unique<FakeUiServices>();
        form_ = std::make_unique<TestForm>(*ui_);
        form_->setStepDelay(0);
        form_->setHintDuration(0);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void closeForm() {
        form_.reset();
        ui_.reset();
    }

    const MainMenu& menu() const { return form_->menu(); }
    // A click, and the whole turn it starts.
    void click(int pit) {
        QTest::mouseClick(form_->pit(pit), Qt::LeftButton);
        settle();
    }
    void key(char digit) {
        QTest::keyClick(form_.get(), digit);
        settle();
    }
    void settle() { QVERIFY(waitUntilIdle(*form_)); }

    std::unique_ptr<FakeUiServices> ui_;
    std::unique_ptr<TestForm> form_;
};

}  // namespace pimra::test
