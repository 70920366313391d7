// WORK IN PROGRESS (shell)
int main() { return 0; }
