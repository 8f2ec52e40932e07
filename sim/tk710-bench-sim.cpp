// placeholder: replaced by the bench simulator program
int main() { return 0; }
