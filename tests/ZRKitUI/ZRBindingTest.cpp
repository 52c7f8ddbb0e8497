#include "ZRKit/UI/ZRBinding.h"
#include "ZRKit/UI/ZRMenu.h"

#include "Platform/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

/*! A model object with an observable property, as the issue filters have them. */
class FilterModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(int issueFilter READ issueFilter WRITE setIssueFilter NOTIFY issueFilterChanged)

public:
    int issueFilter() const { return m_issueFilter; }
    void setIssueFilter(int value) {
        if (value == m_issueFilter)
            return;
        m_issueFilter = value;
        emit issueFilterChanged();
    }

Q_SIGNALS:
    void issueFilterChanged();

private:
    int m_issueFilter = 0;
};

namespace {

const QString IntervalKey = QStringLiteral("updateIssuesIntervalMinutes");

class ZRBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_defaults =
            std::make_unique<Platform::UserDefaults>(m_dir.filePath(QStringLiteral("defaults.conf")));
        m_defaults->registerDefaults({{IntervalKey, 15}});
    }

    /*! The interval pop-up as the General pane fills it: titles and tags from the minutes. */
    static void fillIntervalPopUp(QComboBox& popUp, const QList<int>& minutes) {
        popUp.clear();
        for (int value : minutes) {
            popUp.addItem(QStringLiteral("Every %1 minutes").arg(value));
            ZRPopUpButton::setItemTag(&popUp, ZRPopUpButton::lastItem(&popUp), value);
        }
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Platform::UserDefaults> m_defaults;
};

} // namespace

TEST_F(ZRBindingTest, RebuildingABoundPopUpNeverWritesTheDefault) {
    m_defaults->setValue(IntervalKey, 30);
    QComboBox popUp;
    fillIntervalPopUp(popUp, {5, 15, 30, 60});
    ZRBinding::bind(&popUp, ZRBinding::SelectedTag, m_defaults.get(), IntervalKey);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 30);

    QSignalSpy writes(m_defaults.get(), &Platform::UserDefaults::valueChanged);
    fillIntervalPopUp(popUp, {5, 15, 30, 60, 120});
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(m_defaults->integer(IntervalKey), 30);
    EXPECT_NE(ZRPopUpButton::selectedTag(&popUp), 30); // refilled: the old selection is gone

    ZRControl::updateBinding(&popUp, ZRBinding::SelectedTag);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 30);
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(m_defaults->integer(IntervalKey), 30);
    const std::optional<ZRBindingInfo> info = ZRBinding::infoForBinding(&popUp, ZRBinding::SelectedTag);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->observedObject, m_defaults.get());
    EXPECT_EQ(info->keyPath, IntervalKey);

    // The user's choice is written; a change of the default from elsewhere is shown.
    popUp.setCurrentIndex(4);
    emit popUp.activated(4);
    EXPECT_EQ(m_defaults->integer(IntervalKey), 120);
    m_defaults->setValue(IntervalKey, 5);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 5);

    // A default without a matching item selects nothing and stays as it is.
    m_defaults->setValue(IntervalKey, 7);
    EXPECT_EQ(popUp.currentIndex(), -1);
    EXPECT_EQ(m_defaults->integer(IntervalKey), 7);
}

TEST_F(ZRBindingTest, UpdatingOnlyTouchesBindingsInUse) {
    QComboBox popUp;
    fillIntervalPopUp(popUp, {5, 15});
    ZRControl::updateBindingIfInUse(&popUp, ZRBinding::SelectedTag);
    EXPECT_FALSE(ZRBinding::infoForBinding(&popUp, ZRBinding::SelectedTag));
    EXPECT_EQ(popUp.currentIndex(), 0);

    ZRControl::bindWithBindinginfo(&popUp, ZRBinding::SelectedTag, {m_defaults.get(), IntervalKey, {}});
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 15); // the registered default
    ZRBinding::unbind(&popUp, ZRBinding::SelectedTag);
    m_defaults->setValue(IntervalKey, 5);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 15);
    ZRControl::updateBindingIfInUse(&popUp, ZRBinding::SelectedTag);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&popUp), 15);
}

TEST_F(ZRBindingTest, ValueBindingsOfOtherControls) {
    const QString flag = QStringLiteral("hideDockIcon");
    const QString name = QStringLiteral("displayName");
    QCheckBox checkBox;
    ZRBinding::bind(&checkBox, ZRBinding::Value, m_defaults.get(), flag);
    EXPECT_FALSE(checkBox.isChecked());
    checkBox.click();
    EXPECT_TRUE(m_defaults->boolean(flag));
    checkBox.setChecked(false); // code, not the user: nothing written
    EXPECT_TRUE(m_defaults->boolean(flag));
    m_defaults->setValue(flag, false);
    EXPECT_FALSE(checkBox.isChecked());

    QLineEdit edit;
    ZRBinding::bind(&edit, ZRBinding::Value, m_defaults.get(), name);
    edit.setText(QStringLiteral("Ada"));
    EXPECT_FALSE(m_defaults->string(name));
    emit edit.editingFinished();
    EXPECT_EQ(m_defaults->string(name), QStringLiteral("Ada"));

    QSpinBox spinBox;
    spinBox.setRange(0, 1000);
    ZRBinding::bind(&spinBox, ZRBinding::Value, m_defaults.get(), IntervalKey);
    EXPECT_EQ(spinBox.value(), 15);
    spinBox.stepBy(5);
    EXPECT_EQ(m_defaults->integer(IntervalKey), 20);

    QLabel label;
    ZRBinding::bind(&label, ZRBinding::Value, m_defaults.get(), name);
    ZRBinding::bind(&label, ZRBinding::Hidden, m_defaults.get(), flag);
    EXPECT_EQ(label.text(), QStringLiteral("Ada"));
    m_defaults->setValue(flag, true);
    EXPECT_TRUE(label.isHidden());
}

TEST_F(ZRBindingTest, PopUpsBindToModelProperties) {
    FilterModel model;
    QComboBox popUp;
    popUp.addItems({QStringLiteral("All"), QStringLiteral("To Do"), QStringLiteral("In Progress")});
    for (int i = 0; i < 3; ++i)
        ZRPopUpButton::setItemRepresentedObject(&popUp, i, i);
    ZRBinding::bind(&popUp, ZRBinding::SelectedObject, &model, QStringLiteral("issueFilter"));
    EXPECT_EQ(popUp.currentIndex(), 0);
    model.setIssueFilter(2);
    EXPECT_EQ(popUp.currentIndex(), 2);
    QSignalSpy changes(&model, &FilterModel::issueFilterChanged);
    popUp.clear();
    popUp.addItems({QStringLiteral("All"), QStringLiteral("To Do")});
    ZRPopUpButton::setItemRepresentedObject(&popUp, 0, 0);
    ZRPopUpButton::setItemRepresentedObject(&popUp, 1, 1);
    EXPECT_EQ(model.issueFilter(), 2);
    EXPECT_EQ(changes.count(), 0);
    popUp.setCurrentIndex(1);
    emit popUp.activated(1);
    EXPECT_EQ(model.issueFilter(), 1);
    EXPECT_EQ(changes.count(), 1);
}

TEST(ZRBindingDeathTest, EmptyBindingNamesAreProgrammingErrors) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QComboBox popUp;
    EXPECT_DEATH(ZRControl::updateBinding(&popUp, QString()),
                 "Invalid parameter not satisfying: 0 < \\[inBinding length\\]");
    EXPECT_DEATH(ZRControl::updateBindingIfInUse(&popUp, QString()), "Invalid parameter not satisfying");
    EXPECT_DEATH(ZRBinding::bind(&popUp, ZRBinding::Value, nullptr, QStringLiteral("x")),
                 "a binding the control has");
}

#include "ZRBindingTest.moc"
