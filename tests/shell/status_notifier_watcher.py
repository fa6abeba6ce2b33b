'''A StatusNotifierWatcher for python3-dbusmock: the part of a desktop panel that tray icons
register with over D-Bus. It takes every registration and says that a host shows them.'''

import dbus

BUS_NAME = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('RegisterStatusNotifierItem', 's', '', ''),
        ('RegisterStatusNotifierHost', 's', '', ''),
    ])
    mock.AddProperties(MAIN_IFACE, {
        'IsStatusNotifierHostRegistered': True,
        'ProtocolVersion': 0,
        'RegisteredStatusNotifierItems': dbus.Array([], signature='s'),
    })
