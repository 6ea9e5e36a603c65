#pragma once

#include "ui/pickers.hpp"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace varscope::testing {

// Answers pickers from a queue (an empty answer is a cancel) and records the titles asked.
class FakePickers final : public ui::Pickers {
public:
    std::deque<QString> answers;
    QStringList asked;
    QStringList filters;
    QStringList folders;
    // chooseItem: the index each call answers (none left: cancelled), and the items offered.
    std::deque<int> itemAnswers;
    std::vector<QStringList> offered;

    QString openFile(QWidget*, const QString& title, const QString& folder,
                     const QString& filter) override {
        return next(title, folder, filter);
    }
    QString saveFile(QWidget*, const QString& title, const QString& folder,
                     const QString& filter) override {
        return next(title, folder, filter);
    }
    QString chooseFolder(QWidget*, const QString& title, const QString& folder) override {
        return next(title, folder, QString());
    }

    int chooseItem(QWidget*, const QString& title, const QString&,
                   const QStringList& items) override {
        asked << title;
        offered.push_back(items);
        if (itemAnswers.empty())
            return -1;
        const int answer = itemAnswers.front();
        itemAnswers.pop_front();
        return answer;
    }

private:
    QString next(const QString& title, const QString& folder, const QString& filter) {
        asked << title;
        folders << folder;
        filters << filter;
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace varscope::testing
