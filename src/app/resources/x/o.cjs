/* Quorvane skin: a Qt style sheet for the main window. Quiet blue-grey lines on the
   system's button face; the window, its frame and its labels keep the colours the
   program gives them. */

QGroupBox {
    border: 1px solid #b3bdcc;
    margin-top: 8px;
    color: #23406b;
}

QWidget[skinRounded="true"] QGroupBox {
    border-radius: 5px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 9px;
    padding: 0 4px;
}

QLabel {
    color: #2b3442;
}

QLineEdit {
    border: 1px solid #a7b2c3;
    border-radius: 3px;
    padding: 1px 5px;
    background: #ffffff;
    color: #111820;
    selection-background-color: #3b78d0;
    selection-color: #ffffff;
}

QLineEdit:focus {
    border: 1px solid #3b78d0;
}

QPushButton {
    border: 1px solid #8e9cb2;
    border-radius: 4px;
    padding: 0 10px;
    color: #1c2a3f;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #e2e8f0);
}

QWidget[skinHover="true"] QPushButton:hover {
    border-color: #3b78d0;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #d6e4f7);
}

QPushButton:focus {
    border-color: #3b78d0;
}

QPushButton:pressed {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #cddaec, stop: 1 #e4ebf5);
}

QPushButton:disabled {
    color: #8a94a3;
    border-color: #c3cad5;
}
