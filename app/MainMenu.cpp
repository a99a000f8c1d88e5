#include "MainMenu.h"

#include "MenuBarStyle.h"
#include "MenuIcons.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace {

// Where an entry goes: the menu bar or one of the submenus.
enum class Place { Bar, Group, GroupSex, GroupEducation, Save, Norm, Profiles, P1, P2, P3 };

enum class Kind { Item, Submenu, Heading, Separator };

struct Entry {
    Kind kind;
    Place parent;
    const char* name;
    QString caption;
    QString hint = {}; // the text after '|' is the long form
    MenuIcon icon = MenuIcon::None;
    Command command = Command::OpenIndividual; // items only
    Place opens = Place::Bar;                  // submenus only
};

QList<Entry> menuTable() {
    const QString raw = QStringLiteral("Сырые баллы");
    const QString percent = QStringLiteral("Баллы %");
    const QString chi = QStringLiteral("Х2 - мотивы");
    return {
        {Kind::Item, Place::Bar, "mmOpen", QStringLiteral("Индивид"),
         QStringLiteral("Загрузка из файла индивидуальных данных для анализа"), MenuIcon::Open,
         Command::OpenIndividual},
        {Kind::Submenu,
         Place::Bar,
         "mmGroup",
         QStringLiteral("Группа"),
         QStringLiteral("Анализ данных по группе - директория \"Группа\"|"
                        "Предварительно надо выбрать нормирование"),
         MenuIcon::Folder,
         {},
         Place::Group},
        {Kind::Heading, Place::Group, "N1", QStringLiteral("Выбрать нормирование")},
        {Kind::Separator, Place::Group, "N2", {}},
        {Kind::Submenu,
         Place::Group,
         "mmGroupSex",
         QStringLiteral("Пол обследуемых"),
         {},
         MenuIcon::None,
         {},
         Place::GroupSex},
        {Kind::Item,
         Place::GroupSex,
         "mmSexMan",
         QStringLiteral("Мужской"),
         {},
         MenuIcon::None,
         Command::GroupMale},
        {Kind::Item,
         Place::GroupSex,
         "mmSexWoman",
         QStringLiteral("Женский"),
         {},
         MenuIcon::None,
         Command::GroupFemale},
        {Kind::Submenu,
         Place::Group,
         "mmGroupEducation",
         QStringLiteral("Образование"),
         {},
         MenuIcon::None,
         {},
         Place::GroupEducation},
        {Kind::Item,
         Place::GroupEducation,
         "mmEducHigh",
         QStringLiteral("Высшее"),
         {},
         MenuIcon::None,
         Command::GroupHigherEducation},
        {Kind::Item,
         Place::GroupEducation,
         "mmEducAverage",
         QStringLiteral("Среднее"),
         {},
         MenuIcon::None,
         Command::GroupSecondaryEducation},
        {Kind::Item,
         Place::Group,
         "mmGroupSatisfaction",
         QStringLiteral("Удовлетворенность"),
         {},
         MenuIcon::None,
         Command::GroupSatisfaction},
        {Kind::Submenu,
         Place::Bar,
         "mmSave",
         QStringLiteral("Сохранить"),
         QStringLiteral("Сохранения данных анализа в текстовом файле"),
         MenuIcon::Save,
         {},
         Place::Save},
        {Kind::Item,
         Place::Save,
         "mmAnalysis",
         QStringLiteral("Данные анализа"),
         {},
         MenuIcon::File,
         Command::SaveReport},
        {Kind::Item,
         Place::Save,
         "Chart4",
         QStringLiteral("Гистограмма"),
         {},
         MenuIcon::Bars,
         Command::SaveProfileChart},
        {Kind::Item,
         Place::Save,
         "mmPlotTime",
         QStringLiteral("График времени"),
         {},
         MenuIcon::Line,
         Command::SaveAnswerTimeChart},
        {Kind::Submenu,
         Place::Bar,
         "mmNorm",
         QStringLiteral("Нормирование"),
         QStringLiteral("Выбор нормирования для сравнения по Х2"),
         MenuIcon::Contents,
         {},
         Place::Norm},
        {Kind::Item,
         Place::Norm,
         "mmNormSex",
         QStringLiteral("Пол обследуемого"),
         {},
         MenuIcon::None,
         Command::NormSex},
        {Kind::Item,
         Place::Norm,
         "mmNormEducation",
         QStringLiteral("Образование"),
         {},
         MenuIcon::None,
         Command::NormEducation},
        {Kind::Item,
         Place::Norm,
         "mSatisfaction",
         QStringLiteral("Удовлетворенность"),
         {},
         MenuIcon::None,
         Command::NormSatisfaction},
        {Kind::Submenu,
         Place::Bar,
         "mmProfiles",
         QStringLiteral("Профили"),
         QStringLiteral("Выбор графиков по данным профилей"),
         MenuIcon::Bars,
         {},
         Place::Profiles},
        {Kind::Submenu,
         Place::Profiles,
         "N11",
         QStringLiteral("Профиль 1"),
         {},
         MenuIcon::None,
         {},
         Place::P1},
        {Kind::Item, Place::P1, "mmProfile1A", raw, {}, MenuIcon::None, Command::Profile1Raw},
        {Kind::Item,
         Place::P1,
         "mmProfile1B",
         percent,
         {},
         MenuIcon::None,
         Command::Profile1Percent},
        {Kind::Item, Place::P1, "mmProfile1C", chi, {}, MenuIcon::None, Command::Profile1Chi},
        {Kind::Submenu,
         Place::Profiles,
         "N21",
         QStringLiteral("Профиль 2"),
         {},
         MenuIcon::None,
         {},
         Place::P2},
        {Kind::Item, Place::P2, "mmProfile2A", raw, {}, MenuIcon::None, Command::Profile2Raw},
        {Kind::Item,
         Place::P2,
         "mmProfile2B",
         percent,
         {},
         MenuIcon::None,
         Command::Profile2Percent},
        {Kind::Item, Place::P2, "mmProfile2C", chi, {}, MenuIcon::None, Command::Profile2Chi},
        {Kind::Submenu,
         Place::Profiles,
         "N31",
         QStringLiteral("Профиль 3"),
         {},
         MenuIcon::None,
         {},
         Place::P3},
        {Kind::Item, Place::P3, "mmProfile3A", raw, {}, MenuIcon::None, Command::Profile3Raw},
        {Kind::Item,
         Place::P3,
         "mmProfile3B",
         percent,
         {},
         MenuIcon::None,
         Command::Profile3Percent},
        {Kind::Item, Place::P3, "mmProfile3C", chi, {}, MenuIcon::None, Command::Profile3Chi},
        {Kind::Item, Place::Bar, "mmChartAnswerT", QStringLiteral("Время ответа"),
         QStringLiteral("Вывод графика времени ответов на утверждения"), MenuIcon::Line,
         Command::AnswerTimeChart},
        {Kind::Item, Place::Bar, "mmComment", QStringLiteral("Комментарий"),
         QStringLiteral("Вывод панели для комментария к анализу"), MenuIcon::Info,
         Command::Comment},
    };
}

// The object name, hint and picture of an item or of a submenu's entry.
void describe(QAction* action, const Entry& entry, const QStyle* style) {
    action->setObjectName(QString::fromLatin1(entry.name));
    action->setStatusTip(entry.hint);
    action->setToolTip(entry.hint.section(QLatin1Char('|'), 0, 0));
    action->setIcon(menuIcon(entry.icon, style));
}

} // namespace

MainMenu::MainMenu(QMainWindow* window, std::function<void(Command)> run) : QObject(window) {
    QMenuBar* bar = window->menuBar();
    auto* barStyle = new MenuBarStyle(QApplication::style()->name());
    barStyle->setParent(this);
    bar->setStyle(barStyle);

    std::map<Place, QMenu*> menus;
    for (const Entry& entry : menuTable()) {
        QMenu* parent = entry.parent == Place::Bar ? nullptr : menus.at(entry.parent);
        QAction* action = nullptr;
        switch (entry.kind) {
        case Kind::Submenu: {
            auto* menu = new QMenu(entry.caption, window);
            menus[entry.opens] = menu;
            action = menu->menuAction();
            if (parent)
                parent->addMenu(menu);
            break;
        }
        case Kind::Item:
        case Kind::Heading:
            action = new QAction(entry.caption, window);
            if (entry.kind == Kind::Item) {
                const Command command = entry.command;
                connect(action, &QAction::triggered, this, [run, command] { run(command); });
                actions_[command] = action;
            }
            if (parent)
                parent->addAction(action);
            break;
        case Kind::Separator:
            parent->addSeparator()->setObjectName(QString::fromLatin1(entry.name));
            continue;
        }
        describe(action, entry, window->style());
        if (!parent) {
            bar->addAction(action);
            topLevel_.append(action);
        }
    }
    group_ = menus.at(Place::Group)->menuAction();
    save_ = menus.at(Place::Save)->menuAction();
    norm_ = menus.at(Place::Norm)->menuAction();
    profiles_ = menus.at(Place::Profiles)->menuAction();
    update(MenuState{});
}

void MainMenu::update(const MenuState& state) {
    for (QAction* item : topLevel_)
        item->setVisible(state.opened);
    action(Command::OpenIndividual)->setEnabled(state.opened);
    group_->setEnabled(state.opened);
    for (QAction* item : {save_, profiles_, action(Command::Comment)})
        item->setEnabled(state.analysisShown);
    // The norm menu stays with whoever opened an examinee once: a group run leaves it as it was.
    norm_->setEnabled(state.individualEverShown);
    // A group's answer times are not aggregated: no chart for it.
    action(Command::AnswerTimeChart)->setEnabled(state.individualShown);
    action(Command::SaveAnswerTimeChart)->setEnabled(state.answerTimeChartOn);
}
