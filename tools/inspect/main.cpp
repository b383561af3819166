// Placeholder until the inspector lands.
int main() { return 0; }
