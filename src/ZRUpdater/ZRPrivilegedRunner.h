#pragma once

#include <QString>
#include <QStringList>

#include <functional>

/*! Runs a program with administrator rights through pkexec (polkit asks the user to authenticate). The
    program and its arguments are passed as they are: nothing is read by a shell on the way. */
namespace ZRPrivilegedRunner {

struct Result {
    /*! False when the runner itself could not be started. */
    bool started = false;
    /*! The program's exit status; pkexec answers 126 when the user dismissed the prompt and 127 when
        authorisation failed. -1 when nothing ran. */
    int exitStatus = -1;
    QString error;

    bool succeeded() const { return started && exitStatus == 0; }
};

/*! Runs program (an absolute path) with the arguments as administrator and waits for it to end. */
Result run(const QString& program, const QStringList& arguments);

using Runner = std::function<Result(const QString& program, const QStringList& arguments)>;

/*! Makes run() call the runner instead of pkexec (an empty one restores pkexec); answers the previous
    one. For tests: nobody can answer an authentication prompt there. */
Runner setRunnerForTesting(Runner runner);

} // namespace ZRPrivilegedRunner
