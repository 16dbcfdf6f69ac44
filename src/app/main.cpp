#include "app/MessageDialogs.h"
#include "app/SingleInstance.h"
#include "app/VelmiraApplication.h"
#include "app/uniVelmira.h"

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the web engine shares the GL context
    TVelmiraApplication app(argc, argv);
    TSingleInstance instance;
    if (!instance.Acquire())
        return 0; // the running one comes to the front
    ApplyVelmiraLook(app);
    InstallMessageDialogs();

    TfrmVelmira window;
    QObject::connect(&instance, &TSingleInstance::activationRequested, &window,
                     &TfrmVelmira::RestoreAndActivate);
    window.FormCreate();
    window.show();
    return app.exec();
}
